// A transaction of the database layer against triggers that commit or roll
// back inside it: what each write raises, what the rollback can say, and what
// the table holds afterwards.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/links/InitString.h"
#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

enum class Raised { Nothing, Refusal, Lost };

Raised raisedBy(const std::function<void()>& work)
{
    try {
        work();
        return Raised::Nothing;
    } catch (const db::TransactionLost&) {
        return Raised::Lost;
    } catch (const db::DbError&) {
        return Raised::Refusal;
    }
}

TEST(Transaction, ATriggerThatCommitsOrRollsBackIsToldApartFromARefusal)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& db = h.destination(QStringLiteral("kovara_trans_"));
    db.execute(QStringLiteral("CREATE TABLE dbo.t (id int NOT NULL); CREATE TABLE dbo.auditoria (id int NOT NULL)"));
    // Whole names: the test engine resolves names in a trigger in the session's database.
    const QString audit = QStringLiteral(" INSERT INTO %1 (id) VALUES (9);").arg(db.table("auditoria"));
    struct Case {
        QString trigger;         // AFTER INSERT on t
        Raised write;            // the guarded INSERT
        bool rollbackRaises;     // the work may not be undone
        QStringList rows;        // t afterwards, where it held 1, and the audit rows
    };
    const Case cases[] = {
        {QStringLiteral("SET NOCOUNT ON;") + audit, Raised::Nothing, false, {"1", "0"}},
        // One level down: nothing is committed, the level tells.
        {QStringLiteral("COMMIT TRANSACTION;"), Raised::Lost, false, {"1", "0"}},
        {QStringLiteral("WHILE @@TRANCOUNT > 0 COMMIT TRANSACTION;"), Raised::Lost, true, {"2", "0"}},
        // The audit row stands outside any transaction.
        {QStringLiteral("ROLLBACK TRANSACTION;") + audit, Raised::Lost, true, {"1", "1"}},
        {QStringLiteral("THROW 50001, 'Recusado', 1;"), Raised::Refusal, false, {"1", "0"}},
    };
    db::OdbcConnection cn;
    cn.setConnectionString(core::workingConnectionString(core::parseSourceInit(h.initString(db.name(), h.settings().password))));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger.toStdString());
        db.execute(QStringLiteral("DROP TRIGGER IF EXISTS dbo.tr; DELETE FROM dbo.t; DELETE FROM dbo.auditoria; "
                                   "INSERT INTO dbo.t (id) VALUES (1)"));
        db.execute(QStringLiteral("CREATE TRIGGER dbo.tr ON dbo.t AFTER INSERT AS ") + c.trigger);
        cn.open();
        const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
        cn.beginTransaction();
        q->setSql(QStringLiteral("DELETE FROM %1").arg(db.table("t")));
        q->execute();
        q->setSql(QStringLiteral("INSERT INTO %1 (id) VALUES (2)").arg(db.table("t")));
        EXPECT_EQ(raisedBy([&] { q->execute(); }), c.write);
        if (c.write == Raised::Nothing) {
            EXPECT_EQ(raisedBy([&] { cn.confirmTransaction(); }), Raised::Nothing);
            // Work the guard does not wrap, that changes the level.
            q->setSql(QStringLiteral("COMMIT TRANSACTION; SELECT 1"));
            q->open();
            q->close();
            EXPECT_EQ(raisedBy([&] { cn.confirmTransaction(); }), Raised::Lost);
        }
        EXPECT_EQ(raisedBy([&] { cn.rollback(); }), c.rollbackRaises ? Raised::Refusal : Raised::Nothing);
        cn.close();
        EXPECT_EQ(h.rows(QStringLiteral("SELECT id FROM %1 UNION ALL SELECT COUNT(*) FROM %2")
                             .arg(db.table("t"), db.table("auditoria"))),
                  c.rows);
    }
}

}  // namespace
