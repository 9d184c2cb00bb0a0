// The program itself on the command line against a real server: no window and
// no display, its log on standard output, its refusals on standard error, its
// exit status, the dry run and the record.

#include "DirtyShop.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ReportLine.h"
#include "ServerHarness.h"
#include "core/links/LinkFiles.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Ended {
    int status = -1;
    QStringList out;  // apart from the report's path at the end
    QString err;
};

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
        ASSERT_TRUE(folder.isValid());
    }

    // The program with these arguments after the two link files, with no
    // display of any kind, standard input a pipe that is closed at once; its
    // output into reader, started here; meanwhile called once it has started.
    Ended run(const server::ScratchDatabase& src, const QString& destinationDatabase, const QStringList& arguments,
              QProcess* reader = nullptr, const std::function<void(QProcess&)>& meanwhile = {},
              const QString& destinationServer = {})
    {
        const auto [origem, destino] = h.writeLinkFiles(folder.path(), src.name(), destinationDatabase);
        if (!destinationServer.isEmpty())
            server::writeDataLinkFile(destino, h.initString(destinationDatabase, h.settings().password)
                                                   .replace(h.settings().dataSource(), destinationServer));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(display));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));

        QProcess program;
        program.setProcessEnvironment(environment);
        if (reader)
            program.setStandardOutputProcess(reader);
        program.start(QStringLiteral(KOVARA_PROGRAM),
                      QStringList{QStringLiteral("--origem"), origem, QStringLiteral("--destino"), destino} + arguments);
        program.closeWriteChannel();
        if (reader)
            reader->start();
        if (meanwhile)
            meanwhile(program);
        if (!program.waitForFinished(300'000) || program.exitStatus() != QProcess::NormalExit)
            return {};
        return {program.exitCode(),
                reportline::apart(QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)),
                QString::fromUtf8(program.readAllStandardError())};
    }

    QString record() const
    {
        QFile file(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QStringList everything(const server::ScratchDatabase& dst) { return h.everyRow(dst); }

    static QStringList withoutSteps(QStringList events)
    {
        events.removeAll(harness::kStep);
        return events;
    }

    // The source without a column the families step reads: the run fails at step 4.
    server::ScratchDatabase& sourceFailingAtFamilies()
    {
        server::SourceVariant variant;
        variant.frontoffice = false;
        server::ScratchDatabase& src = h.source(variant);
        src.execute(QStringLiteral("ALTER TABLE dbo.Familias DROP COLUMN letra"));
        return src;
    }

    harness::ServerHarness h;
    QTemporaryDir folder;
};

TEST_F(CommandLine, ACompleteRunPrintsTheLogAndRecordsItWithoutThePassword)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();

    const Ended ended = run(src, dst.name(), {QStringLiteral("--sim"), QStringLiteral("--existencias")});

    EXPECT_EQ(ended.status, 0) << ended.err.toStdString();
    EXPECT_EQ(ended.out, withoutSteps(expected::wholeRunEvents()));
    EXPECT_EQ(ended.err, QString());
    EXPECT_EQ(h.tableRows(dst, QStringLiteral("unidades"), QStringLiteral("codigo")),
              expected::unidades(*h.destinationSchema().table(QStringLiteral("unidades"))));
    EXPECT_EQ(h.rows(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE doc = 'IN' AND numero = 42").arg(dst.table("documentos"))),
              QStringList{"1"});

    const QString text = record();
    for (const QString& part : {QStringLiteral("início da conversão"), QStringLiteral("Servidor: ") + h.settings().dataSource(),
                                QStringLiteral("Origem: ") + src.name(), QStringLiteral("Destino: ") + dst.name(),
                                QStringLiteral("Existências: sim"), QStringLiteral("Resultado: conversão completa")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
    for (const QString& line : ended.out)
        EXPECT_TRUE(text.contains(u' ' + line + u'\n')) << line.toStdString();
    ASSERT_FALSE(h.settings().password.isEmpty());
    EXPECT_FALSE(text.contains(h.settings().password)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Provider")) || text.contains(QStringLiteral("SQLOLEDB"))) << text.toStdString();
}

// The record tells one server from two by what the run found, not by the names in the files.
TEST_F(CommandLine, OneServerNamedTwoWaysIsRecordedAsOne)
{
    const QString otherName = h.settings().dataSource().replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    ASSERT_NE(otherName, h.settings().dataSource());
    const Ended ended = run(h.source({}), h.destination().name(), {QStringLiteral("--verificar")}, nullptr, {}, otherName);
    EXPECT_EQ(ended.status, 0) << ended.out.join(u'\n').toStdString();
    EXPECT_TRUE(record().contains(QStringLiteral("] Servidor: ") + h.settings().dataSource() + u'\n')) << record().toStdString();
}

TEST_F(CommandLine, RefusesTheSameDatabaseAndAConversionNobodyConfirmed)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const QStringList before = everything(dst);

    const Ended same = run(src, src.name(), {QStringLiteral("--sim")});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(same.err, core::kSameDatabase + u'\n');
    EXPECT_EQ(same.out, QStringList());

    // Standard input is not a terminal, so nobody can answer the question.
    const Ended unconfirmed = run(src, dst.name(), {});
    EXPECT_EQ(unconfirmed.status, 2);
    EXPECT_TRUE(unconfirmed.err.contains(QStringLiteral("--sim"))) << unconfirmed.err.toStdString();
    EXPECT_EQ(unconfirmed.out, QStringList());

    EXPECT_EQ(everything(dst), before);
    EXPECT_EQ(record(), QString());
}

TEST_F(CommandLine, AFailingTableAbortsWithStatusOne)
{
    server::ScratchDatabase& src = sourceFailingAtFamilies();
    server::ScratchDatabase& dst = h.destination();

    const Ended ended = run(src, dst.name(), {QStringLiteral("--sim")});

    QStringList failure{QStringLiteral("Excepção fatal: ") + h.engine().invalidColumnName(QStringLiteral("letra")),
                        QStringLiteral("Processo abortado!")};
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.out, withoutSteps(expected::eventsUpToCountOfStep(4)) + failure);
    EXPECT_TRUE(record().contains(QStringLiteral("Resultado: processo abortado")));
}

TEST_F(CommandLine, ADryRunReportsWhatWouldChangeAndChangesNothing)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const QStringList before = everything(dst);

    const Ended ended = run(src, dst.name(), {QStringLiteral("--verificar"), QStringLiteral("--existencias")});

    EXPECT_EQ(ended.status, 0) << ended.err.toStdString();
    const QString report = QStringLiteral("%1: %2 registos na origem; no destino ficariam %3.");
    QStringList expectedLines = withoutSteps(expected::wholeRunEvents());
    const QStringList reports{
        report.arg("Clientes").arg(3).arg("3 em clientes"),
        report.arg("Empregados").arg(2).arg("2 em empregados"),
        report.arg("Subfamilias").arg(2).arg("2 em subfamilias"),
        report.arg("Familias").arg(2).arg(QStringLiteral("2 em familias e %1 em famzonas").arg(expected::famzonas().size())),
        report.arg("Iva").arg(3).arg("3 em iva"),
        report.arg("Produtos").arg(4).arg(QStringLiteral("4 em produtos e %1 em codigosbarras").arg(expected::codigosbarras(true).size())),
        report.arg("Fornecedores").arg(2).arg("2 em fornecedores"),
        report.arg("Unidades").arg(2).arg("2 em unidades")};
    for (int step = 0; step < reports.size(); ++step)
        expectedLines[3 + 2 * step] = reports[step];
    expectedLines.last() = QStringLiteral("Existencias: o documento de stock seria o IN 42, com 4 linhas.");
    expectedLines.append(QStringLiteral("Verificação concluída: nada foi alterado."));
    EXPECT_EQ(ended.out, expectedLines);
    EXPECT_EQ(everything(dst), before);

    // Failing midway, after three tables were emptied and refilled.
    server::ScratchDatabase& broken = sourceFailingAtFamilies();
    const Ended failed = run(broken, dst.name(), {QStringLiteral("--verificar"), QStringLiteral("--existencias")});

    // Nothing is changed, whether the server or the run undid the transaction.
    EXPECT_EQ(failed.status, 1);
    const qsizetype families = failed.out.indexOf(QStringLiteral("A converter 2 famílias..."));
    ASSERT_GE(families, 0) << failed.out.join(u'\n').toStdString();
    EXPECT_EQ(failed.out.value(families + 1), QStringLiteral("Excepção fatal: ") + h.engine().invalidColumnName(QStringLiteral("letra")));
    // The steps after it are still tried, on the tables as they were.
    EXPECT_EQ(failed.out.mid(failed.out.size() - 2),
              QStringList({QStringLiteral("Existencias: o documento de stock seria o IN 42, com 4 linhas."),
                           QStringLiteral("Verificação falhou em Familias: nada foi alterado.")}));
    EXPECT_EQ(failed.out.filter(QStringLiteral(" registos na origem; ")).size(), 7);
    EXPECT_EQ(everything(dst), before);
    EXPECT_TRUE(record().contains(QStringLiteral("Resultado: verificação falhou, nada foi alterado")));
}

// A trigger on the destination's stock lines that refuses the second line,
// one that rolls the transaction back there, one that only writes an audit
// row (and its row count) per line, and one that commits there; each under a
// dry run and a real run. The document is whole or absent: never lines
// without their header, and a trigger's ROLLBACK never called undone.
TEST_F(CommandLine, ATriggerOnTheStockLinesLeavesTheDocumentWholeOrAbsent)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    dst.execute(QStringLiteral("CREATE TABLE dbo.auditoria (codigo int)"));
    // Whole names: the test engine resolves names in a trigger in the session's database.
    const QString secondLine = QStringLiteral("IF (SELECT COUNT(*) FROM %1 v INNER JOIN inserted i ON v.numero = "
                                              "i.numero AND v.doc = i.doc) >= 2 ").arg(dst.table("vendas"));
    const QString audit = QStringLiteral("INSERT INTO %1 (codigo) SELECT codigo FROM inserted;").arg(dst.table("auditoria"));
    const auto count = [&](const char* table, const char* where) {
        return h.rows(QStringLiteral("SELECT COUNT(*) FROM %1 %2").arg(dst.table(table), where)).value(0);
    };
    const auto document = [&] { return h.tableRows(dst, "vendas", "1") + h.tableRows(dst, "documentos", "1"); };

    for (const QString& trigger : {secondLine + "THROW 50001, 'Linha 2 recusada', 1;",
                                   secondLine + "ROLLBACK TRANSACTION;", audit, secondLine + "COMMIT TRANSACTION;"}) {
        for (const QString& mode : {QStringLiteral("--verificar"), QStringLiteral("--sim")}) {
            SCOPED_TRACE((mode + u' ' + trigger).toStdString());
            dst.execute(QStringLiteral("DROP TRIGGER IF EXISTS dbo.trg_linhas"));
            dst.execute(QStringLiteral("CREATE TRIGGER dbo.trg_linhas ON dbo.vendas AFTER INSERT AS ") + trigger);
            const QStringList before = document();

            const Ended ended = run(src, dst.name(), {mode, QStringLiteral("--existencias")});

            const bool fails = trigger != audit;
            const bool acted = trigger.endsWith("COMMIT TRANSACTION;") || trigger.endsWith("ROLLBACK TRANSACTION;");
            const bool serverEnded = trigger.endsWith("ROLLBACK TRANSACTION;");
            EXPECT_EQ(ended.status, fails ? 1 : 0) << ended.out.join(u'\n').toStdString();
            EXPECT_EQ(ended.out.filter(QStringLiteral("Não foi possível confirmar que a transacção foi desfeita")).size(),
                      serverEnded ? 1 : 0) << ended.out.join(u'\n').toStdString();
            if (fails || mode == "--verificar")
                EXPECT_EQ(document(), before);
            else
                EXPECT_EQ(QStringList({count("vendas", "WHERE numero = 42"), count("documentos", "WHERE numero = 42"),
                                       count("auditoria", "")}), QStringList({"4", "1", "4"}));
            EXPECT_EQ(ended.out.last().endsWith("nada foi alterado."), mode == "--verificar" && !serverEnded);
            // The refused line is named by its product, right after the server's words.
            const qsizetype fatal = ended.out.indexOf(QRegularExpression(QStringLiteral("Excepção fatal: .*")));
            EXPECT_EQ(fatal >= 0, fails);
            if (acted) {
                EXPECT_EQ(ended.out.value(fatal),
                          "Excepção fatal: Existencias: o destino terminou a transacção num trigger de vendas (trg_linhas)");
            } else if (fails) {
                EXPECT_EQ(ended.out.value(fatal + 1), QStringLiteral("Existencias, código 102: Linha 2 recusada."))
                    << ended.out.join(u'\n').toStdString();
            }
        }
    }
}

TEST_F(CommandLine, ADryRunNamesEveryBadRowOfEveryTableInOnePassAndChangesNothing)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    dirty::spoil(src, dst);
    const QStringList before = everything(dst);

    const Ended ended = run(src, dst.name(), {QStringLiteral("--verificar"), QStringLiteral("--existencias")});

    EXPECT_EQ(ended.status, 1) << ended.err.toStdString();
    SCOPED_TRACE(ended.out.join(u'\n').toStdString());
    qsizetype at = 0;
    for (const dirty::BadRow& row : dirty::badRows()) {
        while (at < ended.out.size() && !dirty::names(row, ended.out[at]))
            ++at;
        EXPECT_LT(at, ended.out.size()) << "not named, or not in order: " << row.line;
    }
    EXPECT_EQ(ended.out.filter(QStringLiteral("Excepção fatal: ")).size(), 5);
    EXPECT_EQ(ended.out.last(),
              QStringLiteral("Verificação falhou em Clientes, Familias, Produtos, Fornecedores e Unidades: nada foi alterado."));
    EXPECT_EQ(everything(dst), before);
}

// Triggers of the destination's tables that act on their own or refuse the
// step's DELETE. A lone COMMIT, also one for a single product, commits
// nothing and stops the run there: no search, no later step. One that
// commits down to no transaction leaves what the message names. A ROLLBACK
// that then writes outside the transaction is never called undone. A refused
// DELETE is named, and every later step is still tried.
TEST_F(CommandLine, ATriggerThatEndsTheTransactionStopsTheRunAndARefusedDeleteDoesNot)
{
    server::ScratchDatabase& src = h.source({});
    const QString products = QStringLiteral("Excepção fatal: Produtos: o destino terminou a transacção num trigger de produtos (t)");
    const QString stayed = QStringLiteral("Não foi possível confirmar que a transacção foi desfeita: podem ter ficado ");
    const QString onProducts = QStringLiteral("ON dbo.produtos AFTER INSERT AS ");
    const QString allTables = QStringLiteral("clientes, empregados, subfamilias, familias, famzonas, iva, produtos, "
                                             "codigosbarras, fornecedores e unidades");
    const QStringList afterProducts{"fornecedores", "unidades", "documentos", "vendas"};
    const QStringList fromProducts = QStringList{"produtos", "codigosbarras"} + afterProducts;
    QStringList everyTable;
    for (const server::TableDef& table : h.destinationSchema().tables())
        everyTable.append(table.name);
    struct Case {
        QString trigger;   // after "CREATE TRIGGER dbo.t "; %1: the audit table
        QString mode;
        QStringList tail;  // the output from its first failure on; for a refusal, its first lines
        QStringList kept;  // the tables that hold what they held
        QStringList emptied = {};
        int audited = 0;   // rows the trigger wrote into the audit table
    };
    const Case cases[] = {
        {onProducts + "COMMIT TRANSACTION;", "--verificar", {products, "Verificação falhou em Produtos: nada foi alterado."},
         everyTable},
        {onProducts + "COMMIT TRANSACTION;", "--sim", {products, "Processo abortado!"}, fromProducts},
        {onProducts + "IF EXISTS (SELECT 1 FROM inserted WHERE codigo = 103) COMMIT TRANSACTION;", "--sim",
         {products, "Processo abortado!"}, fromProducts},
        {onProducts + "WHILE @@TRANCOUNT > 0 COMMIT TRANSACTION;", "--sim",
         {products, stayed + "apagados os registos de produtos e codigosbarras, e escritos registos em produtos.",
          "Processo abortado!"}, afterProducts, {"codigosbarras"}},
        {onProducts + "WHILE @@TRANCOUNT > 0 COMMIT TRANSACTION;", "--verificar",
         {products, "Verificação falhou em Produtos. " + stayed + "apagados os registos de clientes, empregados, "
                    "subfamilias, familias, famzonas, iva, produtos e codigosbarras, e escritos registos em clientes, "
                    "empregados, subfamilias, familias, famzonas, iva e produtos."}, afterProducts, {"codigosbarras"}},
        {"ON dbo.unidades AFTER INSERT AS ROLLBACK TRANSACTION; INSERT INTO %1 (codigo) VALUES (1);", "--verificar",
         {"Excepção fatal: Unidades: o destino terminou a transacção num trigger de unidades (t)",
          "Verificação falhou em Unidades. " + stayed + "apagados os registos de " + allTables
              + ", e escritos registos em " + allTables + "."}, everyTable, {}, 1},
        {"ON dbo.clientes AFTER DELETE AS THROW 50004, 'Clientes protegidos', 1;", "--verificar",
         {"Excepção fatal: Clientes protegidos", "Clientes: o destino recusa apagar os registos: Clientes protegidos"},
         everyTable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.mode + u' ' + c.trigger).toStdString());
        server::ScratchDatabase& dst = h.destination();
        dst.execute(QStringLiteral("CREATE TABLE dbo.auditoria (codigo int)"));
        dst.execute("CREATE TRIGGER dbo.t " + QString(c.trigger).replace("%1", dst.table("auditoria")));
        const auto rowsOf = [&](const QStringList& tables) {
            QStringList rows = everything(dst);
            rows.removeIf([&](const QString& row) { return !tables.contains(row.section(u':', 0, 0)); });
            return rows;
        };
        const QStringList before = rowsOf(c.kept);

        const Ended ended = run(src, dst.name(), {c.mode, QStringLiteral("--existencias")});

        EXPECT_EQ(ended.status, 1);
        const qsizetype fatal = ended.out.indexOf(c.tail.first());
        EXPECT_GE(fatal, 0) << ended.out.join(u'\n').toStdString();
        // After a refusal the later steps and the stock document are tried all the same.
        const bool refusal = c.tail.first().startsWith(u"Excepção fatal: Clientes");
        EXPECT_EQ(ended.out.mid(fatal, refusal ? 2 : -1), c.tail);
        if (refusal) {
            EXPECT_EQ(ended.out.mid(ended.out.size() - 2), QStringList({"Existencias: o documento de stock seria o IN 42, com 4 linhas.",
                                                                        "Verificação falhou em Clientes: nada foi alterado."}));
        }
        EXPECT_EQ(rowsOf(c.kept), before);
        EXPECT_EQ(rowsOf(c.emptied), QStringList());
        EXPECT_EQ(h.rows("SELECT COUNT(*) FROM " + dst.table("auditoria")), QStringList{QString::number(c.audited)});
    }
    EXPECT_TRUE(record().contains("Resultado: verificação falhou, podem ter ficado registos escritos"));
}

// Triggers the search for bad rows meets, in a dry run and a real run: one
// that commits a try of a good row (the step failed on a long text), and one
// that allows at most two rows, which no row alone nor any two break.
TEST_F(CommandLine, TheSearchStopsAtATriggerThatCommitsAndTellsOfRowsItCannotName)
{
    server::ScratchDatabase& src = h.source({});
    src.execute(QStringLiteral("INSERT INTO dbo.Unidades (codigo, descricao) VALUES (3, N'Caixa'), (4, N'Saco')"));
    const QString committed = QStringLiteral("Excepção fatal: Unidades: o destino terminou a transacção num trigger de unidades (t)");
    const std::pair<QString, QString> cases[] = {  // the trigger (%1: its table), and the line that tells
        {"IF EXISTS (SELECT 1 FROM inserted WHERE codigo = 1) COMMIT TRANSACTION;", committed},
        {"IF (SELECT COUNT(*) FROM %1) > 2 THROW 50002, 'No máximo duas', 1;",
         "Unidades: o destino recusa estes registos juntos, mas nenhum sozinho nem dois juntos; não é possível dizer quais."}};
    for (const auto& [trigger, told] : cases) {
        for (const QString mode : {"--verificar", "--sim"}) {
            SCOPED_TRACE((mode + u' ' + trigger).toStdString());
            server::ScratchDatabase& dst = h.destination();
            if (told == committed)
                dst.execute(QStringLiteral("ALTER TABLE dbo.unidades ALTER COLUMN descricao nvarchar(8)"));
            dst.execute("CREATE TRIGGER dbo.t ON dbo.unidades AFTER INSERT AS " + QString(trigger).replace("%1", dst.table("unidades")));
            const QStringList before = h.tableRows(dst, QStringLiteral("unidades"), QStringLiteral("codigo"));

            const Ended ended = run(src, dst.name(), {mode});

            EXPECT_EQ(ended.out.filter(told).size(), 1) << ended.out.join(u'\n').toStdString();
            EXPECT_EQ(ended.out.last().endsWith("nada foi alterado."), mode == "--verificar");
            if (told == committed) {
                EXPECT_EQ(ended.out.indexOf(told), ended.out.size() - 2);
            }
            EXPECT_EQ(h.tableRows(dst, QStringLiteral("unidades"), QStringLiteral("codigo")), before);
        }
    }
}

#if !defined(_WIN32)
TEST_F(CommandLine, AReaderThatGoesAwayDoesNotStopTheRun)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    QProcess head;
    head.setProgram(QStringLiteral("head"));
    head.setArguments({QStringLiteral("-n"), QStringLiteral("1")});

    const Ended ended = run(src, dst.name(), {QStringLiteral("--sim"), QStringLiteral("--existencias")}, &head);
    ASSERT_TRUE(head.waitForFinished(10'000));

    EXPECT_EQ(ended.status, 0) << ended.err.toStdString();
    EXPECT_EQ(ended.err.count(QStringLiteral("Aviso: não foi possível escrever na saída padrão")), 1)
        << ended.err.toStdString();
    h.expectConverted(dst, {});
    EXPECT_TRUE(record().contains(QRegularExpression(
        QStringLiteral("Conversão completa!\n.*Resultado: conversão completa\n\\[\\w+\\] Relatório: .*\\.html\n\\[\\w+\\] === .* fim\n$"))))
        << record().toStdString();
}

// Ctrl-C, SIGTERM and a terminal that closes.
class Interrupted : public CommandLine, public ::testing::WithParamInterface<int> {};

TEST_P(Interrupted, ARunEndsItsRecordAndUndoesTheStepInProgress)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const QStringList before = h.tableRows(dst, QStringLiteral("unidades"), QStringLiteral("codigo"));
    // Another session's open transaction holds the last step, unidades, at its first statement.
    server::SqlSession blocker(h.settings().odbc);
    blocker.execute(QStringLiteral("BEGIN TRANSACTION; UPDATE %1 SET codigo = codigo").arg(dst.table("unidades")));

    const Ended ended = run(src, dst.name(), {QStringLiteral("--sim")}, nullptr, [](QProcess& program) {
        QByteArray out;
        while (!out.contains("Fornecedores convertidos!") && program.waitForReadyRead(60'000))
            out += program.readAllStandardOutput();
        ::kill(pid_t(program.processId()), GetParam());
    });
    blocker.execute(QStringLiteral("ROLLBACK"));

    EXPECT_EQ(ended.status, 128 + GetParam()) << ended.err.toStdString();
    EXPECT_TRUE(ended.err.startsWith(QStringLiteral("Conversão interrompida: "))) << ended.err.toStdString();
    EXPECT_TRUE(record().contains(QRegularExpression(
        QStringLiteral("Resultado: conversão interrompida, o passo em curso foi desfeito\n\\[\\w+\\] Relatório: .*\n\\[\\w+\\] === .* fim\n$"))))
        << record().toStdString();
    h.expectConverted(dst, {}, 1, 7);
    EXPECT_EQ(h.tableRows(dst, QStringLiteral("unidades"), QStringLiteral("codigo")), before);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted, ::testing::Values(SIGINT, SIGTERM, SIGHUP));
#endif

}  // namespace
