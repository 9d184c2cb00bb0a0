// Source and destination on two servers of the test's own, the source's
// server also holding a database with the destination's name (another
// shop's). The run reaches each server with its own file's login, streams
// the rows across, and never writes on the source's server.

#include "DirtyShop.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "TestServerInstance.h"
#include "core/links/LinkFiles.h"
#include "core/run/RunServers.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kRunTime(QDate(2026, 3, 4), QTime(10, 0, 0, 250));

class AcrossServers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString reason = server::TestServerInstance::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        for (int i = 0; i < 2; ++i) {
            m_instances[i] = std::make_unique<server::TestServerInstance>(2 + i);
            m_instances[i]->start();
        }
        a.connect(m_instances[0]->odbc());
        b.connect(m_instances[1]->odbc());
    }

    // As the Windows dialog writes it, for a server on this machine.
    QString initString(const harness::ServerHarness& h, const QString& database, const QString& dataSource,
                       const QString& password = {}) const
    {
        return QStringLiteral("SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;Initial Catalog=%3;"
                              "Data Source=%4")
            .arg(password.isEmpty() ? h.settings().password : password, h.settings().user, database, dataSource);
    }

    QStringList run(const QString& sourceInit, const QString& destinationInit, bool dryRun = false)
    {
        QTemporaryDir folder;
        const QString origem = folder.filePath(QStringLiteral("origem.udl"));
        const QString destino = folder.filePath(QStringLiteral("destino.udl"));
        server::writeDataLinkFile(origem, sourceInit);
        server::writeDataLinkFile(destino, destinationInit);
        return a.runFromFiles(origem, destino, true, harness::steppingClock(kRunTime), dryRun);
    }

    // Every table of a database, row by row.
    QStringList everything(harness::ServerHarness& h, const server::ScratchDatabase& db) { return h.everyRow(db); }

    QString dataSource(int i) const { return QStringLiteral("127.0.0.1,%1").arg(m_instances[i]->port()); }

    std::unique_ptr<server::TestServerInstance> m_instances[2];
    // After the instances, so the scratch databases go while they still run.
    harness::ServerHarness a;
    harness::ServerHarness b;
};

TEST_F(AcrossServers, ConvertEverythingAndLeaveTheSourceServerAlone)
{
    server::ScratchDatabase& src = a.source({});
    server::ScratchDatabase& dst = b.destination();
    server::ScratchDatabase& bystander = a.destination(dst.name(), true);
    const QStringList untouched = everything(a, bystander);

    // Across servers the load path is told on connecting, not again at the stock lines.
    QStringList events = expected::wholeRunEvents(
        true, {QStringLiteral("A ligar à base de dados de destino em %1...").arg(dataSource(1)),
               expected::encryptionLine(dataSource(0)), expected::encryptionLine(dataSource(1)), core::kLoadsInBulk});
    events.removeAt(events.lastIndexOf(core::kLoadsInBulk));
    EXPECT_EQ(run(initString(a, src.name(), dataSource(0)), initString(b, dst.name(), dataSource(1))), events);

    b.expectConverted(dst, {});
    EXPECT_EQ(b.rows(QStringLiteral("SELECT codigo, CONVERT(varchar(40), qtd), descricao FROM %1 "
                                    "WHERE doc = 'IN' AND numero = 42 ORDER BY codigo")
                         .arg(dst.table("vendas"))),
              expected::stockLines());
    EXPECT_EQ(b.rows(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE doc = 'IN' AND numero = 42").arg(dst.table("documentos"))),
              QStringList{"1"});
    EXPECT_EQ(everything(a, bystander), untouched);
}

TEST_F(AcrossServers, BadRowsAreNamedAsOnOneServerAndTheirTablesKeptAsTheyWere)
{
    server::ScratchDatabase& src = a.source({});
    server::ScratchDatabase& dst = b.destination();
    // Fornecedores' CHECK refuses a row in the middle of the bulk load, on the server.
    dirty::spoil(src, dst, {"Produtos", "Fornecedores"});
    // A row the destination refuses mid-copy ends the step's transaction there: no later row may stay.
    src.execute(QStringLiteral("INSERT INTO dbo.Unidades (codigo, descricao) VALUES (3, N'Caixa'), (4, N'Saco')"));
    dst.execute(QStringLiteral("CREATE TRIGGER dbo.t ON dbo.unidades AFTER INSERT AS IF EXISTS (SELECT 1 FROM inserted WHERE codigo = 3) THROW 50003, 'Recusada', 1;"));
    const QStringList named{QStringLiteral("A procurar em Produtos os registos que o destino recusa..."),
                            QString::fromUtf8(dirty::badRows()[2].line), QString::fromUtf8(dirty::badRows()[3].line)};
    const QStringList before = everything(b, dst);
    for (const bool dryRun : {true, false}) {
        const QStringList events = run(initString(a, src.name(), dataSource(0)), initString(b, dst.name(), dataSource(1)), dryRun);
        EXPECT_EQ(events.mid(events.indexOf(named[0]), 3), named) << events.join(u'\n').toStdString();
        // A real run stops at Produtos; a dry run goes on to every step.
        if (dryRun) {
            const QStringList fornecedores = events.filter(QRegularExpression("^Fornecedores, "));
            ASSERT_EQ(fornecedores.size(), 1) << events.join(u'\n').toStdString();
            EXPECT_TRUE(dirty::names(dirty::badRows()[6], fornecedores[0])) << fornecedores[0].toStdString();
            EXPECT_EQ(events.last(), QStringLiteral("Verificação falhou em Produtos, Fornecedores e Unidades: nada foi alterado."));
        }
        // The real run keeps what the steps before the failing one converted.
        const QRegularExpression kept(dryRun ? "." : "^(produtos|codigosbarras|fornecedores|unidades|vendas|documentos):");
        EXPECT_EQ(everything(b, dst).filter(kept), before.filter(kept));
    }
}

TEST_F(AcrossServers, RefusedBeforeAnythingChanges)
{
    server::ScratchDatabase& src = a.source({});
    server::ScratchDatabase& dst = b.destination();
    server::ScratchDatabase& bystander = a.destination(dst.name(), true);
    const QString sourceRows = QStringLiteral("SELECT codigo, descricao FROM %1 ORDER BY codigo").arg(src.table("Unidades"));
    const QStringList sourceBefore = a.rows(sourceRows);
    const QStringList untouched = everything(a, bystander);
    const QString sameServer = QStringLiteral("localhost,%1").arg(m_instances[0]->port());

    struct Case {
        const char* label;
        QString destinationInit;
        QString refusal;  // after "Excepção fatal: "
    };
    const Case cases[] = {
        {"no server listens there", initString(b, dst.name(), QStringLiteral("127.0.0.1,1")),
         QStringLiteral("Não foi possível ligar ao servidor de destino 127.0.0.1,1: ")},
        {"the destination's login is refused", initString(b, dst.name(), dataSource(1), QStringLiteral("errada")),
         QStringLiteral("Não foi possível ligar ao servidor de destino %1: ").arg(dataSource(1))},
        // The source's own server and database, both written otherwise.
        {"the source database itself", initString(a, src.name().toUpper(), sameServer), core::kSameDatabase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // Reached, the servers first say how encrypted their sessions are.
        const QStringList events = run(initString(a, src.name(), dataSource(0)), c.destinationInit)
                                       .filter(QRegularExpression(QStringLiteral("^(?!Ligação cifrada a )")));
        ASSERT_EQ(events.size(), 4) << events.join(u'\n').toStdString();
        EXPECT_TRUE(events[2].startsWith(QStringLiteral("Excepção fatal: ") + c.refusal)) << events[2].toStdString();
        EXPECT_EQ(events[3], QStringLiteral("Processo abortado!"));
    }
    EXPECT_EQ(everything(a, bystander), untouched);
    EXPECT_EQ(a.rows(sourceRows), sourceBefore);
}

}  // namespace
