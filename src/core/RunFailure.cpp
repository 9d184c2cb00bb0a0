#include "core/RunFailure.h"

#include "db/DbError.h"

namespace core {

QString failureText(const std::exception& e)
{
    if (const auto* dbError = dynamic_cast<const db::DbError*>(&e))
        return dbError->message();
    if (const auto* refused = dynamic_cast<const RunRefused*>(&e))
        return refused->text();
    return QString::fromLocal8Bit(e.what());
}

void closeAfterFailure(db::Connection& cn)
{
    try {
        cn.close();
    } catch (const std::exception&) {
    }
}

}  // namespace core
