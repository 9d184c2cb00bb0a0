// The destination's triggers met by the program on the command line: on the
// stock lines, on the steps' tables, and in the search for bad rows.

#include "CommandLineRun.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using cmdline::CommandLine;
using cmdline::Ended;


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

}  // namespace
