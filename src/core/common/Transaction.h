#pragma once

#include "core/common/RunFailure.h"
#include "db/Connection.h"
#include "db/DbError.h"

#include <QStringList>
#include <exception>
#include <utility>

namespace core {

// Ends the open transaction, undoing its work. Never raises: on a failure
// path the failure that led here is the one to tell. False when the
// connection cannot tell that the work is undone.
inline bool rollbackQuietly(db::Connection& cn)
{
    try {
        cn.rollback();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Runs work inside one transaction on cn: committed when work returns,
// rolled back when it throws, and the failure thrown on. touched is what the
// work has done so far, kept by the work as it goes. When the rollback
// cannot tell that the work is undone, the failure goes on as a
// TransactionNotUndone naming what may have stayed. The destination acting
// on its own goes on as a DestinationActed, with that note where it applies.
template <typename Work>
void inTransaction(db::Connection& cn, Work&& work, const TablesTouched& touched = {})
{
    cn.beginTransaction();
    try {
        work();
        cn.commit();
    } catch (const db::TransactionLost& lost) {
        const bool undone = rollbackQuietly(cn);
        throw rolledBack(lost, touched, undone);
    } catch (const std::exception& e) {
        if (!rollbackQuietly(cn))
            throw TransactionNotUndone(e, mayHaveStayed(touched));
        throw;
    } catch (...) {
        rollbackQuietly(cn);
        throw;
    }
}

}  // namespace core
