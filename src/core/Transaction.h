#pragma once

#include "db/Connection.h"

#include <exception>

namespace core {

// Ends the open transaction, undoing its work. A failure of the rollback
// itself is swallowed: the server may already have ended the transaction at
// the error that led here, and closing the connection discards whatever it
// still holds.
inline void rollbackQuietly(db::Connection& cn)
{
    try {
        cn.rollback();
    } catch (const std::exception&) {
    }
}

// Runs work inside one transaction on cn: committed when work returns,
// rolled back when it throws. The rollback's own failure is swallowed (the
// server may already have ended the transaction), so the caller always sees
// the original error.
template <typename Work>
void inTransaction(db::Connection& cn, Work&& work)
{
    cn.beginTransaction();
    try {
        work();
        cn.commit();
    } catch (...) {
        rollbackQuietly(cn);
        throw;
    }
}

}  // namespace core
