// Losing the server in the middle of a run, on a real server of the test's
// own: stopped during a table step, cut during the stock lines. Each run goes
// through the window, as a technician makes it; afterwards the destination
// must hold whole steps only, and the next run from the same window must
// convert everything.

#include "AppTestSupport.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "TcpRelay.h"
#include "TestServerInstance.h"
#include "db/OdbcConnection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <iostream>

namespace {

const QStringList kEarlierDocuments{"FT|900", "IN|7", "IN|41", "IN|120000"};
const QString kFatal = QStringLiteral("Excepção fatal: ");
const QString kAborted = QStringLiteral("Processo abortado!");
const QString kComplete = QStringLiteral("Conversão completa!");

// Adds count products from code 200000 on, each with a barcode and, if asked,
// a stock level, to the fixture source.
void addBulkProducts(server::ScratchDatabase& src, int count, bool stocked)
{
    const QString numbers = QStringLiteral(
        "WITH d AS (SELECT n FROM (VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)) AS v(n)), "
        "nums AS (SELECT d1.n + 10 * d2.n + 100 * d3.n + 1000 * d4.n + 10000 * d5.n + 100000 * d6.n AS n "
        "FROM d d1 CROSS JOIN d d2 CROSS JOIN d d3 CROSS JOIN d d4 CROSS JOIN d d5 CROSS JOIN d d6) ");
    const QString barcode = QStringLiteral("N'200' + RIGHT(N'0000000000' + CONVERT(nvarchar(10), n), 10)");
    src.execute(numbers + QStringLiteral(
        "INSERT INTO dbo.Produtos (codigo, descricao, familia, subfamilia, unidade, iva, fornecedor, precocompra, "
        "precovenda, datacriacao, obs, retalho, codbarras, precovenda2, precovenda3, isencao, retencao, "
        "percentagemretencao, referencia, promocao, excluirdescontos) "
        "SELECT 200000 + n, N'Produto ' + CONVERT(nvarchar(10), n), 1, 11, 1, 3, 301, 0.5, 1.25, "
        "'2024-01-01T00:00:00', N'Artigo de teste', 1, %1, 1.3, 1.4, 0, 0, 0, N'REF-' + CONVERT(nvarchar(10), n), "
        "0, 0 FROM nums WHERE n < %2").arg(barcode).arg(count));
    src.execute(numbers + QStringLiteral("INSERT INTO dbo.codigosbarras (codbarras, codigo) "
                                         "SELECT %1, 200000 + n FROM nums WHERE n < %2").arg(barcode).arg(count));
    if (stocked)
        src.execute(numbers + QStringLiteral("INSERT INTO dbo.Existencias (codigo, existencia) "
                                             "SELECT 200000 + n, 1.5 FROM nums WHERE n < %1").arg(count));
}

// The window on the real database layer, with scripted answers to its boxes.
struct Window {
    Window() { form.setMessageBoxes(std::make_unique<apptest::ScriptedBoxes>(shown, answers)); }

    void start(const QString& sourceInit, const QString& destinationInit, bool stocks)
    {
        const QString origem = dir.filePath(QStringLiteral("origem.udl"));
        const QString destino = dir.filePath(QStringLiteral("destino.udl"));
        server::writeDataLinkFile(origem, sourceInit);
        server::writeDataLinkFile(destino, destinationInit);
        form.Origem->setText(origem);
        form.Destino->setText(destino);
        *answers = {true, stocks};
        form.Button1Click();
    }

    QStringList log() const
    {
        const QString text = form.Log->toPlainText();
        return reportline::apart(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
    }
    bool waitForLine(const QString& line, int ms) const
    {
        return QTest::qWaitFor([&] { return log().contains(line); }, ms);
    }
    static bool waitForEnd(int ms)
    {
        return QTest::qWaitFor([] { return !ActiveProcessar; }, ms);
    }

    QTemporaryDir dir;
    std::shared_ptr<QStringList> shown = std::make_shared<QStringList>();
    std::shared_ptr<QList<bool>> answers = std::make_shared<QList<bool>>();
    TfrmMain form{std::make_unique<db::OdbcConnection>()};
};

class OutageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString reason = server::TestServerInstance::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
    }

    void TearDown() override
    {
        // The scratch databases are dropped through the server, so it must be up.
        if (m_stopped) {
            m_instance->start();
            h.admin().reconnect();
        }
    }

    void startServer(int number)
    {
        m_instance = std::make_unique<server::TestServerInstance>(number);
        m_instance->start();
        h.connect(m_instance->odbc());
    }
    void stopServer()
    {
        m_stopped = true;
        m_instance->stop();
    }
    void restartServer()
    {
        m_instance->start();
        m_stopped = false;
        h.admin().reconnect();
    }

    // As the Windows dialog writes it, for the server at port on loopback.
    QString initString(const QString& database, int port) const
    {
        return QStringLiteral("SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;Initial Catalog=%3;"
                              "Data Source=127.0.0.1,%4")
            .arg(h.settings().password, h.settings().user, database)
            .arg(port);
    }

    int count(const server::ScratchDatabase& db, const QString& tableName, const QString& where = {})
    {
        return h.admin().scalar(QStringLiteral("SELECT COUNT(*) FROM %1 %2").arg(db.table(tableName), where)).toInt();
    }

    // The run ended with the driver's text, and the window is ready again.
    void expectAborted(const Window& w)
    {
        const QStringList log = w.log();
        ASSERT_GE(log.size(), 2);
        EXPECT_TRUE(log[log.size() - 2].startsWith(kFatal)) << log.join(u'\n').toStdString();
        EXPECT_GT(log[log.size() - 2].size(), kFatal.size() + 3) << log[log.size() - 2].toStdString();
        EXPECT_EQ(log.last(), kAborted);
        EXPECT_EQ(w.form.Button1->text(), "Converter");
        EXPECT_EQ(w.form.Progress->value(), 0);
        EXPECT_FALSE(w.form.cn->isOpen());
        std::cout << "logged: " << log[log.size() - 2].toStdString() << "\n";
    }

    // Every step converted, with bulk products beside the fixture's own.
    void expectEverythingConverted(const server::ScratchDatabase& dst, int bulk)
    {
        h.expectConverted(dst, {}, 1, 5);
        EXPECT_EQ(count(dst, "produtos"), 4 + bulk);
        EXPECT_EQ(count(dst, "codigosbarras"), 3 + bulk);
        h.expectConverted(dst, {}, 7, 8);
    }

    QStringList documents(const server::ScratchDatabase& db)
    {
        return h.rows(QStringLiteral("SELECT doc, numero FROM %1 ORDER BY doc, numero").arg(db.table("documentos")));
    }

    std::unique_ptr<server::TestServerInstance> m_instance;
    bool m_stopped = false;
    // After the instance, so the scratch databases go while it still runs.
    harness::ServerHarness h;
};

// A big store: inserting its products takes seconds on the test engine, long
// enough to be caught in the middle, and the run after the outage shows the
// longest statement of such a run well inside the statement timeout.
constexpr int kProductsCaughtMidStatement = 200000;

TEST_F(OutageTest, ServerStoppedDuringTheProductsStep)
{
    startServer(0);
    server::ScratchDatabase& src = h.source({});
    addBulkProducts(src, kProductsCaughtMidStatement, false);
    server::ScratchDatabase& dst = h.destination();
    const QString source = initString(src.name(), m_instance->port());
    const QString destination = initString(dst.name(), m_instance->port());

    Window w;
    w.start(source, destination, true);
    const QString productsLine = QStringLiteral("A converter %1 produtos...").arg(kProductsCaughtMidStatement + 4);
    ASSERT_TRUE(w.waitForLine(productsLine, 120000)) << w.log().join(u'\n').toStdString();
    QElapsedTimer sinceStop;
    sinceStop.start();
    stopServer();
    ASSERT_TRUE(Window::waitForEnd(30000)) << "the run did not end within 30 s of the server stopping";
    std::cout << "run ended " << sinceStop.elapsed() << " ms after the stop began\n";
    expectAborted(w);
    EXPECT_TRUE(w.log().contains("Taxas de iva convertidas!"));
    EXPECT_FALSE(w.log().contains("Produtos convertidos!")) << "the stop came too late to catch the step";

    restartServer();
    h.expectConverted(dst, {}, 1, 5);
    // The interrupted step and the ones after it: as they were.
    EXPECT_EQ(h.rows(QStringLiteral("SELECT codigo FROM %1").arg(dst.table("produtos"))), QStringList{"9001"});
    EXPECT_EQ(h.rows(QStringLiteral("SELECT codbarras FROM %1").arg(dst.table("codigosbarras"))),
              QStringList{"9999999999999"});
    EXPECT_EQ(h.rows(QStringLiteral("SELECT codigo FROM %1").arg(dst.table("fornecedores"))), QStringList{"9001"});
    EXPECT_EQ(h.rows(QStringLiteral("SELECT codigo FROM %1").arg(dst.table("unidades"))), QStringList{"9001"});
    EXPECT_EQ(documents(dst), kEarlierDocuments);

    QElapsedTimer secondRun;
    secondRun.start();
    w.start(source, destination, true);
    ASSERT_TRUE(Window::waitForEnd(300000));
    std::cout << "then " << kProductsCaughtMidStatement << " products with their barcodes converted in "
              << secondRun.elapsed() << " ms (statement timeout " << db::kStatementTimeout.count() << " s)\n";
    EXPECT_EQ(w.log().last(), kComplete) << w.log().join(u'\n').toStdString();
    expectEverythingConverted(dst, kProductsCaughtMidStatement);
    EXPECT_EQ(documents(dst), QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|120000"}));
    EXPECT_EQ(count(dst, "vendas", "WHERE doc = 'IN' AND numero = 42"), 4);
}

// Enough lines that the cut lands well inside them.
constexpr int kStockedProducts = 20000;

TEST_F(OutageTest, ConnectionCutDuringTheStockLines)
{
    startServer(1);
    server::ScratchDatabase& src = h.source({});
    addBulkProducts(src, kStockedProducts, true);
    server::ScratchDatabase& dst = h.destination();
    server::TcpRelay relay(m_instance->port());
    ASSERT_NE(relay.port(), 0);
    const QString source = initString(src.name(), relay.port());
    const QString destination = initString(dst.name(), relay.port());
    // The first text naming vendas is the line statement; a megabyte after it
    // is a few thousand lines in.
    relay.cutAfter(server::wireText(QStringLiteral("dbo.vendas")), 1 << 20);

    Window w;
    w.start(source, destination, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return relay.hasCut() || !ActiveProcessar; }, 300000));
    ASSERT_TRUE(relay.hasCut()) << w.log().join(u'\n').toStdString();
    QElapsedTimer sinceCut;
    sinceCut.start();
    ASSERT_TRUE(Window::waitForEnd(30000)) << "the run did not end within 30 s of the cut";
    std::cout << "run ended " << sinceCut.elapsed() << " ms after the cut\n";
    expectAborted(w);
    EXPECT_FALSE(w.log().join(u'\n').contains("Unknown error")) << "the lost connection is what to tell";
    EXPECT_TRUE(w.log().contains(QStringLiteral("A converter stocks para %1 produtos...").arg(kStockedProducts + 4)));

    expectEverythingConverted(dst, kStockedProducts);
    // Neither the header nor any of its lines.
    EXPECT_EQ(documents(dst), kEarlierDocuments);
    EXPECT_EQ(count(dst, "vendas", "WHERE doc = 'IN' AND numero = 42"), 0);

    w.start(source, destination, true);
    ASSERT_TRUE(Window::waitForEnd(300000));
    EXPECT_EQ(w.log().last(), kComplete) << w.log().join(u'\n').toStdString();
    expectEverythingConverted(dst, kStockedProducts);
    EXPECT_EQ(documents(dst), QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|120000"}));
    EXPECT_EQ(count(dst, "vendas", "WHERE doc = 'IN' AND numero = 42"), kStockedProducts + 4);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
