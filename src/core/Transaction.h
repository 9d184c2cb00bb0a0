#pragma once

#include "db/Connection.h"

#include <exception>

namespace core {

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
        try {
            cn.rollback();
        } catch (const std::exception&) {
        }
        throw;
    }
}

}  // namespace core
