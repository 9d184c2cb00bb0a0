#include "ExpectedStatements.h"
#include "RunHarness.h"
#include "core/run/Verification.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

using namespace expected;

// Starts at 10:00:00 on 4 March 2026 and moves one second at each reading.
struct SteppingClock {
    QDateTime next = QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0));
    QDateTime operator()()
    {
        const QDateTime now = next;
        next = next.addSecs(1);
        return now;
    }
};

QStringList describeAll(const std::vector<db::ParamValue>& values)
{
    QStringList out;
    for (const db::ParamValue& v : values)
        out.append(recording::describe(v));
    return out;
}

class StockTransfer : public ::testing::Test {
protected:
    void SetUp() override { run.sourceTables("2", true); }

    void stockRows(std::vector<db::ResultSet::Row> rows)
    {
        run.recorder->respond("[pos].dbo.Existencias",
                              recording::makeResult({"codigo", "existencia", "descricao"}, std::move(rows)));
    }
    void lastDocument(std::optional<QString> number)
    {
        run.recorder->respond("FROM [loja].dbo.documentos WITH (UPDLOCK, HOLDLOCK) WHERE",
                              number ? recording::singleValue("num", *number) : recording::makeResult({"num"}));
    }
    void start()
    {
        auto clock = std::make_shared<SteppingClock>();
        run.start(true, harness::kSourceInit, harness::kDestinationInit, [clock] { return (*clock)(); });
    }
    // The calls after the last table step.
    std::vector<recording::Call> stockCalls() const
    {
        std::vector<recording::Call> all = run.recorder->calls();
        std::size_t i = 0;
        while (i < all.size() && all[i].what != "q_aux.open")
            ++i;
        return {all.begin() + std::ptrdiff_t(i), all.end()};
    }

    harness::Run run;
};

TEST_F(StockTransfer, WritesTheLinesThenTheHeaderOfOneDocument)
{
    stockRows({{"7", "2.5", "Água"}, {"8", "-3.00005", std::nullopt}, {"9", std::nullopt, "Pão"}});
    lastDocument("41");
    start();

    const std::vector<recording::Call> calls = stockCalls();
    QStringList what;
    for (const recording::Call& c : calls)
        what.append(c.what + ": " + c.sql);
    EXPECT_EQ(what, QStringList({"q_aux.open: " + kStockRows, "cn.begin: ", "q_exec.open: " + kLastDocument,
                                 "q_exec.execute: " + kLine, "q_exec.execute: " + kLine, "q_exec.execute: " + kLine,
                                 "q_exec.execute: " + kHeader, "cn.commit: ", "cn.close: "}));

    // Markers: numero, codigo, data, datahora, descricao, qtd. The document
    // time is read first; each line reads the clock again.
    EXPECT_EQ(describeAll(calls[3].values),
              QStringList({"int:42", "int:7", "datetime:2026-03-04T00:00:00.000", "datetime:2026-03-04T10:00:01.000",
                           "text:Água", "amount:2.5000"}));
    EXPECT_EQ(describeAll(calls[4].values),
              QStringList({"int:42", "int:8", "datetime:2026-03-04T00:00:00.000", "datetime:2026-03-04T10:00:02.000",
                           "text:", "amount:-3.0001"}));
    EXPECT_EQ(describeAll(calls[5].values),
              QStringList({"int:42", "int:9", "datetime:2026-03-04T00:00:00.000", "datetime:2026-03-04T10:00:03.000",
                           "text:Pão", "amount:0.0000"}));
    // Header markers: numero, data, datahora (the document time).
    EXPECT_EQ(describeAll(calls[6].values),
              QStringList({"int:42", "datetime:2026-03-04T00:00:00.000", "datetime:2026-03-04T10:00:00.000"}));

    EXPECT_EQ(run.sink.steps(), 9);
    const QStringList log = run.sink.logLines();
    EXPECT_EQ(log.mid(log.size() - 3),
              QStringList({"A converter stocks para 3 produtos...",
                           "O destino recebe as linhas em INSERT: o seu controlador ODBC não faz carga em massa.",
                           "Conversão completa!"}));
}

TEST_F(StockTransfer, NumbersContinueAfterTheHighestDocument)
{
    stockRows({{"1", "1", "x"}});
    for (const auto& [last, expectedNumber] :
         std::vector<std::pair<std::optional<QString>, QString>>{{std::nullopt, "int:1"}, {"99999", "int:100000"},
                                                                 {"0", "int:1"}}) {
        lastDocument(last);
        run.recorder->clear();
        start();
        const std::vector<recording::Call> calls = stockCalls();
        ASSERT_EQ(calls.size(), 7u);
        EXPECT_EQ(recording::describe(calls[3].values.at(0)), expectedNumber);
        EXPECT_EQ(recording::describe(calls[4].values.at(0)), expectedNumber);
    }
}

TEST_F(StockTransfer, NoStockRowsWritesNothingButStillAdvances)
{
    stockRows({});
    start();
    const std::vector<recording::Call> calls = stockCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].what, "q_aux.open");
    EXPECT_EQ(calls[1].what, "cn.close");
    EXPECT_EQ(run.sink.steps(), 9);
    EXPECT_FALSE(run.sink.logLines().join('\n').contains("stocks"));
}

TEST_F(StockTransfer, WithoutStocksNothingOfTheSalesTablesIsTouched)
{
    stockRows({{"1", "1", "x"}});
    run.start(false);
    for (const QString& line : run.calls()) {
        EXPECT_FALSE(line.startsWith("q_aux")) << line.toStdString();
        EXPECT_FALSE(line.contains("vendas") || line.contains("documentos")) << line.toStdString();
    }
    EXPECT_EQ(run.sink.steps(), 8);
}

// A refused line or header takes the whole document back; a line is named.
TEST_F(StockTransfer, AFailureInTheDocumentRollsItAllBack)
{
    std::vector<db::ResultSet::Row> rows;
    for (int i = 1; i <= 2500; ++i)
        rows.push_back({QString::number(i), "1", "p"});
    stockRows(std::move(rows));
    lastDocument("5");
    // Before the lines: connection string, open, the two encryption
    // questions and the same-database check, 48 calls of the table steps,
    // then the stock rows, the transaction and the numbering.
    const int callsBeforeLines = 5 + 48 + 3;
    struct Case {
        int call;  // 0: the header insert
        QString refusal;
        QString logged;
        qsizetype headersTried;
        int batches;
    };
    const QString pkVendas = "Violation of PRIMARY KEY constraint 'PK_vendas'";
    const QString pkDocumentos = "Violation of PRIMARY KEY constraint 'PK_documentos'";
    for (const Case& c : {Case{callsBeforeLines + 1700, pkVendas, pkVendas + " (linha 1700)", 0, 2},
                          Case{0, pkDocumentos, pkDocumentos, 1, 3}}) {
        SCOPED_TRACE(c.logged.toStdString());
        run.recorder->clear();
        run.sink.events.clear();
        if (c.call > 0)
            run.recorder->failAtCall(c.call, c.refusal);
        else
            run.recorder->failWhen("q_exec.execute", "INSERT INTO [loja].dbo.documentos", c.refusal);
        start();

        const QStringList log = run.sink.logLines();
        EXPECT_EQ(log.mid(log.size() - 2), QStringList({"Excepção fatal: " + c.logged, "Processo abortado!"}));
        QStringList stock;
        for (const recording::Call& call : stockCalls())
            stock.append(call.what);
        EXPECT_FALSE(stock.contains("cn.commit"));
        EXPECT_EQ(stock.mid(stock.size() - 2), QStringList({"cn.rollback", "cn.close"}));
        EXPECT_EQ(run.calls().filter("INSERT INTO [loja].dbo.documentos").size(), c.headersTried);
        EXPECT_EQ(run.recorder->batchCount(), c.batches);
    }
}

// The lines by bulk load stand only where the document's transaction is
// still the one it opened, asked before the header is written: where the
// server no longer holds it, neither the run nor the dry run may say that
// nothing changed.
TEST_F(StockTransfer, LinesLoadedInBulkStandOnlyInTheDocumentsOwnTransaction)
{
    run.cn.offerBulkLoads();
    const auto column = [](const char* name, const char* type, const char* bytes, const char* id) {
        return db::ResultSet::Row{"vendas", name, type, bytes, "19", "4", "1", "0", "0", id, "0"};
    };
    run.recorder->respond("sys.columns", recording::makeResult(
        {"o", "c", "t", "max_length", "precision", "scale", "nullable", "identity", "computed", "id", "by_insert"},
        {column("numero", "int", "4", "1"), column("doc", "nvarchar", "4", "2"), column("codigo", "int", "4", "3"),
         column("data", "datetime", "8", "4"), column("datahora", "datetime", "8", "5"),
         column("descricao", "nvarchar", "120", "6"), column("qtd", "decimal", "9", "7"),
         column("armazem", "int", "4", "8"), column("empid", "int", "4", "9")}));
    stockRows({{"7", "2.5", "Água"}, {"8", "1", "Pão"}});
    lastDocument("41");
    start();
    QStringList what;
    for (const recording::Call& c : stockCalls())
        what.append(c.what);
    const qsizetype loaded = what.indexOf("bulk.start");
    ASSERT_GE(loaded, 0) << what.join(u'\n').toStdString();
    EXPECT_EQ(what.mid(loaded), QStringList({"bulk.start", "bulk.send", "bulk.send", "bulk.finish", "cn.confirm",
                                             "q_exec.execute", "cn.commit", "cn.close"}));

    for (const bool dryRun : {false, true}) {
        run.recorder->clear();
        run.sink.events.clear();
        // As the server answers where it ended the transaction itself.
        run.recorder->failWhen("cn.confirm", "", "The transaction ended");
        run.recorder->failWhen("cn.rollback", "", "The ROLLBACK TRANSACTION request has no corresponding BEGIN");
        if (dryRun)
            core::verifyConversion({run.cn, *run.q_exec, *run.q_aux}, core::readLink(harness::kSourceInit),
                                   core::readLink(harness::kDestinationInit), true, run.sink);
        else
            start();
        const QStringList log = run.sink.logLines();
        EXPECT_FALSE(log.join(u'\n').contains("nada foi alterado")) << log.join(u'\n').toStdString();
        EXPECT_TRUE(log.join(u'\n').contains("Não foi possível confirmar")) << log.join(u'\n').toStdString();
        EXPECT_TRUE(log.last().startsWith(dryRun ? "Verificação falhou em Existencias. " : "Processo abortado!"))
            << log.join(u'\n').toStdString();
        EXPECT_FALSE(run.calls().contains("q_exec.execute: " + kHeader)) << dryRun;
    }
}

}  // namespace
