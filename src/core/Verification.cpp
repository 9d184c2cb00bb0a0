#include "core/Verification.h"

#include "core/RunFailure.h"
#include "core/RunServers.h"
#include "core/SqlNames.h"
#include "core/StockTransfer.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

namespace {

// The steps open, commit and roll back transactions of their own; here they
// all run inside the one around the whole run, which alone is ended.
class HeldTransaction final : public db::Connection {
public:
    explicit HeldTransaction(db::Connection& cn) : m_cn(cn) {}

    void setConnectionString(const QString& connectionString) override { m_cn.setConnectionString(connectionString); }
    QString connectionString() const override { return m_cn.connectionString(); }
    void open() override { m_cn.open(); }
    void close() override { m_cn.close(); }
    bool isOpen() const override { return m_cn.isOpen(); }
    void beginTransaction() override {}
    void commit() override {}
    void rollback() override {}
    void setStatementTimeout(std::chrono::seconds timeout) override { m_cn.setStatementTimeout(timeout); }
    std::unique_ptr<db::Query> createQuery(const QString& name) override { return m_cn.createQuery(name); }

private:
    db::Connection& m_cn;
};

QString tableName(const TableStep& step)
{
    return step.sourceTable.section(u'.', -1);
}

// "Familias: 12 registos na origem; no destino ficariam 12 em familias e 12 em famzonas."
QString stepReport(const TableStep& step, std::int32_t sourceRows, const DatabaseNames& names, db::Query& q)
{
    QStringList destination;
    for (const QString& table : step.destinationTables) {
        q.setSql(substituteNames(QStringLiteral("SELECT COUNT(*) FROM @destino.dbo.") + table, names));
        q.open();
        destination.append(QStringLiteral("%1 em %2").arg(q.hasRow() ? q.asInteger(0) : 0).arg(table));
        q.close();
    }
    const QString last = destination.isEmpty() ? QString() : destination.takeLast();
    const QString tables =
        destination.isEmpty() ? last : destination.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
    return QStringLiteral("%1: %2 registos na origem; no destino ficariam %3.")
        .arg(tableName(step))
        .arg(sourceRows)
        .arg(tables);
}

QString stockReport(const std::optional<StockDocument>& document)
{
    if (!document)
        return QStringLiteral("Existencias: nenhum produto com stock; não seria escrito nenhum documento.");
    return QStringLiteral("Existencias: o documento de stock seria o IN %1, com %2 linhas.")
        .arg(document->number)
        .arg(document->lines);
}

}  // namespace

RunOutcome verifyConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                            bool stocks, ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    QString failedAt = QStringLiteral("ao ligar à base de dados");
    try {
        RunServers servers(database, sourceInit, destinationInit, sink);
        const DatabaseNames& names = servers.names();
        db::Connection& destination = servers.destination();
        destination.beginTransaction();
        HeldTransaction held(destination);
        const StepSides sides = servers.sides(held);
        for (const TableStep& step : tableSteps()) {
            failedAt = QStringLiteral("em ") + tableName(step);
            runTableStep(step, names, sides, sink, [&](std::int32_t sourceRows) {
                return stepReport(step, sourceRows, names, sides.destination);
            });
        }
        if (stocks) {
            failedAt = QStringLiteral("em Existencias");
            sink.addLog(stockReport(runStockTransfer(names, held, sides.destination, servers.stockRows(), sink, now)));
        }
        rollbackQuietly(destination);
        servers.closeDestination();
        database.cn.close();
        sink.addLog(kVerificationDone);
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
    }
    rollbackQuietly(database.cn);
    closeAfterFailure(database.cn);
    sink.addLog(QStringLiteral("Verificação falhou %1: nada foi alterado.").arg(failedAt));
    return RunOutcome::Aborted;
}

}  // namespace core
