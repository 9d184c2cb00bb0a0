// Work no write guard wraps changes the level of a transaction of the database layer: confirming tells.

#include "ServerHarness.h"
#include "core/links/Link.h"
#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <gtest/gtest.h>

namespace {

TEST(Transaction, ConfirmingTellsALevelChangedByUnguardedWork)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& db = h.destination(QStringLiteral("kovara_trans_"));
    db.execute(QStringLiteral("CREATE TABLE dbo.t (id int NOT NULL); INSERT INTO dbo.t (id) VALUES (1)"));
    db::OdbcConnection cn;
    cn.setTarget(core::connectionTarget(core::readLink(h.initString(db.name(), h.settings().password)), QStringLiteral("master")));
    cn.open();
    const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
    EXPECT_NO_THROW(cn.confirmTransaction());
    cn.beginTransaction();
    q->setSql(QStringLiteral("DELETE FROM %1").arg(db.table("t")));
    q->execute();
    EXPECT_NO_THROW(cn.confirmTransaction());
    // A read is not guarded: here it takes the level down as a trigger's COMMIT would.
    q->setSql(QStringLiteral("COMMIT TRANSACTION; SELECT 1"));
    q->open();
    q->close();
    EXPECT_THROW(cn.confirmTransaction(), db::TransactionLost);
    EXPECT_NO_THROW(cn.rollback());
    cn.close();
    EXPECT_EQ(h.rows(QStringLiteral("SELECT id FROM %1").arg(db.table("t"))), QStringList{"1"});
}

}  // namespace
