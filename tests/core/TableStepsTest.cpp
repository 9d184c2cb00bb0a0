#include "ExpectedStatements.h"
#include "RunHarness.h"
#include "core/steps/SourceStatement.h"

#include <gtest/gtest.h>

namespace {

using namespace expected;

QString exec(const QString& sql) { return QStringLiteral("q_exec.execute: ") + sql; }
QString open(const QString& sql) { return QStringLiteral("q_exec.open: ") + sql; }
QString count(const QString& table) { return open(QStringLiteral("SELECT COUNT(codigo) FROM [pos].dbo.") + table); }
QString probe(const QString& table) { return open(QStringLiteral("SELECT TOP 1 * FROM [pos].dbo.") + table); }
// The statement on no source rows, as the search for bad rows first tries it.
QString noRows(const QString& sql)
{
    return QString(sql).replace(QStringLiteral(") (SELECT "), QStringLiteral(") SELECT ")).chopped(1) +
           QStringLiteral(" WHERE 1 = 0");
}

QStringList expectedCalls(bool present)
{
    QStringList calls{
        "cn.setTarget: " + harness::kWorkingConnection,
        "cn.open",
        harness::kEncryptionQuestions[0],
        harness::kEncryptionQuestions[1],
        open("SELECT DB_ID(N'pos'), DB_ID(N'loja')"),
        "cn.begin",
        exec("DELETE FROM [loja].dbo.clientes"),
        count("Clientes"),
        probe("Clientes"),
        exec(present ? kClientesWithIvaCaixa : kClientesWithoutIvaCaixa),
        "cn.commit",
        "cn.begin",
        exec("DELETE FROM [loja].dbo.empregados"),
        count("Empregados"),
        exec(kEmpregados),
        "cn.commit",
        "cn.begin",
        exec("DELETE FROM [loja].dbo.subfamilias"),
        count("Subfamilias"),
        probe("Subfamilias"),
        exec(present ? kSubfamiliasWithFundo : kSubfamiliasWithoutFundo),
        "cn.commit",
        "cn.begin",
        exec("DELETE FROM [loja].dbo.familias"),
        count("Familias"),
        probe("Familias"),
        exec(present ? kFamiliasWithFrontOffice : kFamiliasWithoutFrontOffice),
        exec("DELETE FROM [loja].dbo.famzonas"),
        exec(kFamZonas),
        "cn.commit",
        "cn.begin",
        exec("DELETE FROM [loja].dbo.iva"),
        count("Iva"),
        exec(kIva),
        "cn.commit",
        "cn.begin",
        exec("DELETE FROM [loja].dbo.produtos"),
        exec("DELETE FROM [loja].dbo.codigosbarras"),
        count("Produtos"),
        probe("Produtos"),
    };
    calls += present ? QStringList{exec(kProdutosWithReferencia), exec(kCodigosBarras)}
                     : QStringList{exec(kProdutosWithoutReferencia)};
    calls += QStringList{
               "cn.commit",
               "cn.begin",
               exec("DELETE FROM [loja].dbo.fornecedores"),
               count("Fornecedores"),
               exec(kFornecedores),
               "cn.commit",
               "cn.begin",
               exec("DELETE FROM [loja].dbo.unidades"),
               count("Unidades"),
               exec(kUnidades),
               "cn.commit",
               "cn.close",
           };
    return calls;
}

QStringList expectedLog(const QString& n)
{
    const QString step = harness::kStep;
    return {"A ligar à base de dados...",
            harness::kEncryptionUnknown,
            "A converter " + n + " clientes...", "Clientes convertidos!", step,
            "A converter " + n + " empregados...", "Empregados convertidos!", step,
            "A converter " + n + " sub-famílias...", "Sub-famílias convertidas!", step,
            "A converter " + n + " famílias...", "Famílias convertidas!", step,
            "A converter " + n + " taxas de iva...", "Taxas de iva convertidas!", step,
            "A converter " + n + " produtos...", "Produtos convertidos!", step,
            "A converter " + n + " fornecedores...", "Fornecedores convertidos!", step,
            "A converter " + n + " unidades...", "Unidades convertidas!", step,
            "Conversão completa!"};
}

TEST(TableSteps, RunWithEveryProbeColumnPresent)
{
    harness::Run run;
    run.sourceTables("1234567", true);
    run.start(false);
    EXPECT_EQ(run.calls(), expectedCalls(true));
    EXPECT_EQ(run.sink.events, expectedLog("1234567"));
}

TEST(TableSteps, RunWithEveryProbeColumnAbsent)
{
    harness::Run run;
    run.sourceTables("3", false);
    run.start(false);
    EXPECT_EQ(run.calls(), expectedCalls(false));
    EXPECT_EQ(run.sink.events, expectedLog("3"));
}

TEST(TableSteps, EmptySourceTablesStillLogBothLinesAndTheProbeUsesTheColumnList)
{
    harness::Run run;
    run.sourceTables("0", true);
    run.start(false);
    EXPECT_EQ(run.sink.events, expectedLog("0"));
    EXPECT_EQ(run.calls(), expectedCalls(true));
}

TEST(TableSteps, ACountWithoutARowSkipsTheCopyButNotTheProgressStep)
{
    harness::Run run;
    run.recorder->respond("SELECT COUNT(codigo)", recording::makeResult({"n"}));
    run.start(false);
    EXPECT_EQ(run.sink.steps(), 8);
    EXPECT_EQ(run.sink.logLines(),
              QStringList({"A ligar à base de dados...", harness::kEncryptionUnknown, "Conversão completa!"}));
    EXPECT_TRUE(run.recorder->sqlOf("q_exec.execute").filter("INSERT").isEmpty());
    // The emptied tables are committed all the same.
    EXPECT_EQ(run.calls().count("cn.commit"), 8);
}

TEST(TableSteps, ProbeColumnsAreDecidedPerTable)
{
    harness::Run run;
    run.sourceTables("2", false);
    run.recorder->respond("TOP 1 * FROM [pos].dbo.Familias", recording::makeResult({"codigo", "FrontOffice"}));
    run.recorder->respond("TOP 1 * FROM [pos].dbo.Produtos", recording::makeResult({"Referencia"}));
    run.start(false);
    const QStringList inserts = run.recorder->sqlOf("q_exec.execute").filter("INSERT");
    EXPECT_TRUE(inserts.contains(kClientesWithoutIvaCaixa));
    EXPECT_TRUE(inserts.contains(kSubfamiliasWithoutFundo));
    EXPECT_TRUE(inserts.contains(kFamiliasWithFrontOffice));
    EXPECT_TRUE(inserts.contains(kProdutosWithReferencia));
    EXPECT_TRUE(inserts.contains(kCodigosBarras));
}

TEST(TableSteps, AFailingStepIsRolledBackAndEndsTheRun)
{
    harness::Run run;
    run.sourceTables("9", true);
    run.recorder->failWhen("q_exec.execute", "INSERT INTO [loja].dbo.familias",
                           "Invalid column name 'visivel'");
    run.start(false);

    const QStringList calls = run.calls();
    const qsizetype failed = calls.indexOf(exec(kFamiliasWithFrontOffice));
    ASSERT_GE(failed, 0);
    // It fails on no rows too, so no row is to blame: nothing is searched.
    EXPECT_EQ(calls.mid(failed + 1),
              QStringList({"cn.rollback", probe("Familias"), "cn.begin", exec("DELETE FROM [loja].dbo.familias"),
                           exec("SAVE TRANSACTION kovara_tentativa"), exec(noRows(kFamiliasWithFrontOffice)),
                           "q_exec.open: SELECT XACT_STATE()", "cn.rollback", "cn.close"}));
    EXPECT_EQ(calls.count("cn.commit"), 3);
    EXPECT_EQ(run.sink.events.mid(run.sink.events.size() - 4),
              QStringList({harness::kStep, "A converter 9 famílias...",
                           "Excepção fatal: Invalid column name 'visivel'", "Processo abortado!"}));
    EXPECT_EQ(run.sink.steps(), 3);
}

TEST(TableSteps, AFailingBarcodeCopyTakesTheProductsBackToo)
{
    harness::Run run;
    run.sourceTables("4", true);
    run.recorder->failWhen("q_exec.execute", "INSERT INTO [loja].dbo.codigosbarras", "Invalid object name");
    run.start(false);
    const QStringList calls = run.calls();
    const qsizetype failed = calls.indexOf(exec(kCodigosBarras));
    ASSERT_GE(failed, 1);
    EXPECT_EQ(calls.mid(failed - 1, 3), QStringList({exec(kProdutosWithReferencia), exec(kCodigosBarras), "cn.rollback"}));
    EXPECT_EQ(calls.mid(calls.size() - 6),
              QStringList({exec(noRows(kProdutosWithReferencia)), exec("SAVE TRANSACTION kovara_tentativa"),
                           exec(noRows(kCodigosBarras)), "q_exec.open: SELECT XACT_STATE()", "cn.rollback", "cn.close"}));
    EXPECT_FALSE(run.sink.events.contains("Produtos convertidos!"));
}

TEST(TableSteps, AFailingRollbackDoesNotHideTheOriginalError)
{
    harness::Run run;
    run.sourceTables("1", true);
    run.recorder->failWhen("q_exec.execute", "DELETE FROM [loja].dbo.iva", "DELETE permission denied");
    run.recorder->failWhen("cn.rollback", "", "The ROLLBACK TRANSACTION request has no corresponding BEGIN");
    run.start(false);
    EXPECT_EQ(run.sink.logLines().mid(run.sink.logLines().size() - 4),
              QStringList({"Excepção fatal: DELETE permission denied",
                           "Iva: o destino recusa apagar os registos: DELETE permission denied",
                           "Não foi possível confirmar que a transacção foi desfeita: podem ter ficado apagados os "
                           "registos de iva.",
                           "Processo abortado!"}));
    EXPECT_EQ(run.calls().last(), "cn.close");
}

TEST(TableSteps, DatabaseNamesAreQuotedInEveryStatement)
{
    harness::Run run;
    run.sourceTables("1", true);
    run.start(false, "P;Initial Catalog=my @destino]x", "P;Initial Catalog=Loja 2 @origem");
    const QStringList calls = run.calls();
    EXPECT_TRUE(calls.contains(exec("DELETE FROM [Loja 2 @origem].dbo.clientes")));
    EXPECT_TRUE(calls.contains(open("SELECT COUNT(codigo) FROM [my @destino]]x].dbo.Clientes")));
    EXPECT_TRUE(calls.contains(exec("INSERT INTO [Loja 2 @origem].dbo.iva (id, codigo, descricao, factor) "
                                    "(SELECT 0, codigo, descricao, factor FROM [my @destino]]x].dbo.Iva)")));
}

// On two servers a copy is a SELECT of the values read, from the source, and an
// INSERT with every constant in place and a parameter for each value read.
TEST(TableSteps, TwoServersReadWhatIsNotConstantAndWriteTheConstantsInPlace)
{
    const core::SourceStatement clientes = core::insertsOf(core::tableSteps().at(0), false).at(0);
    const std::optional<core::SplitStatement> split = clientes.insert().acrossServers;
    ASSERT_TRUE(split);
    EXPECT_EQ(split->sourceQuery(),
              "SELECT codigo, nome, morada, codpostal, codpostal1, localidade, telefone, fax, telemovel, email, web, obs, "
              "datacriacao, valormov, valordivida, contribuinte, ISNULL(isento, 0), motivo, ISNULL(retencao, 0), "
              "ISNULL(sujeitopassivo, 0) FROM @origem.dbo.Clientes");
    EXPECT_EQ(split->insert(),
              "INSERT INTO @destino.dbo.clientes (" + clientes.columns.join(", ") +
                  ") VALUES (0, :c1, :c2, :c3, :c4, :c5, :c6, :c7, :c8, :c9, :c10, :c11, :c12, :c13, :c14, :c15, :c16, "
                  "0, 0, 0, NULL, 0, 0, 0, '', 0, '', :c17, :c18, :c19, :c20, 0, 0, 0)");
}

}  // namespace

namespace {

// Rows of a million characters each, read from the source's server.
class LongRows final : public db::RowCursor {
public:
    const QStringList& columns() const override { return m_columns; }
    bool next(std::vector<db::ParamValue>& row) override
    {
        if (m_read == 10)
            return false;
        ++m_read;
        row = {m_read, QString(1000000, QChar(u'a' + m_read))};
        return true;
    }

private:
    QStringList m_columns{"id", "texto"};
    int m_read = 0;
};

class LongRowsServer final : public recording::RecordingConnection {
public:
    using RecordingConnection::RecordingConnection;
    std::unique_ptr<db::RowCursor> openCursor(const QString&) override { return std::make_unique<LongRows>(); }
};

}  // namespace

// Where rows read across go by INSERT (no bulk load), a thousand go to a
// statement, but fewer once it holds four million characters: long values
// never pile up into one statement the server must parse whole.
TEST(TableSteps, RowsReadAcrossByInsertGoInStatementsOfAFewMillionCharacters)
{
    const auto recorder = std::make_shared<recording::Recorder>();
    recording::RecordingConnection destination(recorder);
    LongRowsServer source(std::make_shared<recording::Recorder>());
    const std::unique_ptr<db::Query> q = destination.createQuery("q_exec");
    const core::SplitStatement split{"@destino.dbo.notas", {"id", "texto", "fixo"}, {"id", "texto", "0"},
                                     {false, false, true}, " FROM @origem.dbo.Notas"};
    core::runStepStatement({QString(), split}, {"pos", "loja"}, {destination, *q, *q, &source});

    const QStringList statements = recorder->sqlOf("q_exec.execute");
    ASSERT_EQ(statements.size(), 2);
    for (int s = 0; s < 2; ++s) {
        EXPECT_TRUE(statements[s].startsWith("INSERT INTO [loja].dbo.notas (id, texto, fixo) SELECT v.c1, v.c2, 0 FROM (VALUES ("));
        for (int row = 1; row <= 10; ++row) {
            const QString value = QStringLiteral("(%1, N'%2'").arg(row).arg(QString(1000000, QChar(u'a' + row)));
            EXPECT_EQ(statements[s].contains(value), row > 5 * s && row <= 5 * (s + 1)) << s << " " << row;
        }
    }
}
