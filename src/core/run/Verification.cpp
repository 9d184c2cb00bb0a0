#include "core/run/Verification.h"

#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/common/Transaction.h"
#include "core/run/RunServers.h"
#include "core/run/StockSearch.h"
#include "core/search/BadRows.h"
#include "core/steps/StockStep.h"
#include "core/steps/TableCopy.h"
#include "core/steps/TableSteps.h"

#include <exception>
#include <optional>

namespace core {

namespace {

// The steps open, commit and roll back transactions of their own; here they
// all run inside the one around the whole run, which alone is ended.
class HeldTransaction final : public db::Connection {
public:
    explicit HeldTransaction(db::Connection& cn) : m_cn(cn) {}

    void setTarget(const db::ConnectionTarget& target) override { m_cn.setTarget(target); }
    db::ConnectionTarget target() const override { return m_cn.target(); }
    void open() override { m_cn.open(); }
    void close() override { m_cn.close(); }
    bool isOpen() const override { return m_cn.isOpen(); }
    void beginTransaction() override {}
    void commit() override {}
    void rollback() override {}
    void confirmTransaction() override { m_cn.confirmTransaction(); }
    bool bulkLoads() const override { return m_cn.bulkLoads(); }
    std::unique_ptr<db::BulkLoad> startBulkLoad(const QString& table, std::vector<db::BulkColumn> columns) override
    {
        return m_cn.startBulkLoad(table, std::move(columns));
    }
    void setStatementTimeout(std::chrono::seconds timeout) override { m_cn.setStatementTimeout(timeout); }
    std::unique_ptr<db::Query> createQuery(const QString& name) override { return m_cn.createQuery(name); }

private:
    db::Connection& m_cn;
};

class SilentSink final : public ConversionSink {
public:
    void addLog(const QString&) override {}
    void progressStep() override {}
};

// "Familias: 12 registos na origem; no destino ficariam 12 em familias e 12 em famzonas."
QString stepReport(const TableStep& step, std::int32_t sourceRows, const TableRows& tableRows)
{
    QStringList destination;
    for (const auto& [table, rows] : tableRows)
        destination.append(QStringLiteral("%1 em %2").arg(rows).arg(table));
    return QStringLiteral("%1: %2 registos na origem; no destino ficariam %3.")
        .arg(step.sourceTable)
        .arg(sourceRows)
        .arg(spokenList(destination));
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

RunOutcome verifyConversion(const Database& database, const Link& source, const Link& destination, bool stocks,
                            ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    QString failedAt = QStringLiteral("ao ligar à base de dados");
    QStringList failedTables;
    TablesTouched written;  // what a transaction may have done to the tables
    bool undone = true;
    std::optional<RunServers> servers;
    try {
        servers.emplace(database, source, destination, stocks, sink);
        const DatabaseNames& names = servers->names();
        db::Connection& destination = servers->destination();
        destination.beginTransaction();
        HeldTransaction held(destination);
        const StepSides sides = servers->sides(held);
        std::vector<const TableStep*> done;
        // Where the destination acted on its own, nothing more is sent to it;
        // the open transaction then holds the steps before and this one as
        // far as it went.
        bool stopped = false;
        const auto stops = [&](const std::exception& e, const TablesTouched& earlier) {
            if (!stopsTheRun(e))
                return false;
            if (const auto* acted = dynamic_cast<const DestinationActed*>(&e)) {
                written = earlier;
                written += acted->touched();
            }
            return true;
        };
        for (const TableStep& step : tableSteps()) {
            failedAt = QStringLiteral("em ") + step.sourceTable;
            const TablesTouched earlier = written;
            written += tablesOf(step);
            try {
                runTableStep(step, names, sides, sink, [&](std::int32_t sourceRows, const TableRows& tableRows) {
                    return stepReport(step, sourceRows, tableRows);
                });
                done.push_back(&step);
            } catch (const std::exception& e) {
                logFailure(sink, e);
                failedTables.append(step.sourceTable);
                if ((stopped = stops(e, earlier)))
                    break;
                // The error may have ended the transaction on the server: the
                // rows are searched outside it, and the steps that went
                // through are made again in a new one, so later steps see
                // this step's tables as they were.
                undone = rollbackQuietly(destination) && undone;
                const SearchEnd search = nameBadRows(step, names, servers->sides(destination), sink);
                undone = search.undone && undone;
                sink.progressStep();
                if ((stopped = search.stopped))
                    break;
                destination.open();  // the rollback drops a session it cannot trust
                destination.beginTransaction();
                SilentSink silent;
                for (const TableStep* earlierStep : done)
                    runTableStep(*earlierStep, names, sides, silent);
            }
        }
        if (stocks && !stopped) {
            failedAt = QStringLiteral("em Existencias");
            const TablesTouched earlier = written;
            written.add(QStringLiteral("vendas"), false);
            written.add(QStringLiteral("documentos"), false);
            std::optional<StockDocument> numbered;
            try {
                sink.addLog(stockReport(runStockStep(names, servers->stockSides(held), sink, now,
                                                     [&](const StockDocument& document) {
                                                         servers->tellLoadPath(sink);
                                                         numbered = document;
                                                     })));
            } catch (const std::exception& e) {
                logFailure(sink, e);
                failedTables.append(QStringLiteral("Existencias"));
                if (!stops(e, earlier) && numbered) {
                    // The lines are searched outside the run's transaction, as a table step's rows are.
                    const bool rolledBack = rollbackQuietly(destination);
                    const SearchEnd search =
                        nameRefusedStockLines(e, *numbered, names, servers->sides(destination), sink, rolledBack);
                    undone = search.undone && undone;
                }
            }
        }
        undone = rollbackQuietly(destination) && undone;
        servers->closeDestination();
        database.cn.close();
        if (failedTables.isEmpty() && undone) {
            sink.addLog(kVerificationDone);
            return RunOutcome::Complete;
        }
        failedAt = failedTables.isEmpty() ? QStringLiteral("ao desfazer a transacção") : QStringLiteral("em ") + spokenList(failedTables);
    } catch (const std::exception& e) {
        logFailure(sink, e);
        undone = rollbackQuietly(servers ? servers->destination() : database.cn) && undone;
    }
    servers.reset();
    closeAfterFailure(database.cn);
    if (!undone) {
        // The server ended a transaction before its rollback: it may have
        // committed it, or a trigger written outside it.
        sink.addLog(QStringLiteral("Verificação falhou %1. ").arg(failedAt) + mayHaveStayed(written));
        return RunOutcome::AbortedUndoUnknown;
    }
    sink.addLog(QStringLiteral("Verificação falhou %1: nada foi alterado.").arg(failedAt));
    return RunOutcome::Aborted;
}

}  // namespace core
