// The program itself on the command line against a real server: no window and
// no display, its log on standard output, its refusals on standard error, its
// exit status, the dry run and the record.

#include "CommandLineRun.h"
#include "DirtyShop.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "core/links/LinkFiles.h"

#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using cmdline::CommandLine;
using cmdline::Ended;

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
