#pragma once

// A shop whose data breaks the destination's rules, one bad row of each kind:
// what each case changes in the fixture source and destination, and the line
// the conversion names the row with.

#include "ScratchDatabase.h"

#include <QString>
#include <vector>

namespace dirty {

struct BadRow {
    const char* table;        // the source table, as the lines name it
    const char* source;       // run in the source database
    const char* destination;  // run in the destination database
    const char* line;         // the line naming the row; "..." ends a prefix the server's own words follow
};

inline const std::vector<BadRow>& badRows()
{
    static const std::vector<BadRow> rows{
        {"Clientes", "UPDATE dbo.Clientes SET localidade = N'Vila Nova de Santo André do Alentejo' WHERE codigo = 2",
         "ALTER TABLE dbo.clientes ALTER COLUMN localidade nvarchar(20)",
         "Clientes, código 2: localidade tem 36 caracteres; no destino cabem 20."},
        {"Familias", "UPDATE dbo.Familias SET descricao = NULL WHERE codigo = 2",
         "ALTER TABLE dbo.familias DROP COLUMN descricao; ALTER TABLE dbo.familias ADD descricao nvarchar(50) NOT NULL DEFAULT N''",
         "Familias, código 2: descricao não tem valor; no destino é obrigatório."},
        {"Produtos", "UPDATE dbo.Produtos SET iva = 40000 WHERE codigo = 103", "ALTER TABLE dbo.produtos ALTER COLUMN iva smallint",
         "Produtos, código 103: iva vale 40000; no destino cabem valores de -32768 a 32767."},
        {"Produtos", "UPDATE dbo.Produtos SET descricao = N'Pastel de nata tradicional de Belém, com canela e açúcar!!' WHERE codigo = 104",
         "ALTER TABLE dbo.produtos ALTER COLUMN descricao nvarchar(40)",
         "Produtos, código 104: descricao tem 58 caracteres; no destino cabem 40."},
        // One product whose own two rows repeat a barcode, then two products that share one.
        {"codigosbarras",
         "DROP TABLE dbo.codigosbarras; CREATE TABLE dbo.codigosbarras (codbarras nvarchar(30) NOT NULL, codigo int NOT NULL); "
         "INSERT INTO dbo.codigosbarras (codbarras, codigo) VALUES (N'5601234000017', 101), (N'5601234000024', 101), "
         "(N'5601234000048', 101), (N'5601234000048', 101)",
         "SELECT 1", "codigosbarras, código 101: há 2 registos com codbarras 5601234000048; no destino não se pode repetir."},
        {"codigosbarras", "INSERT INTO dbo.codigosbarras (codbarras, codigo) VALUES (N'5601234000031', 102), (N'5601234000031', 104)",
         "SELECT 1", "codigosbarras, códigos 102 e 104: os dois têm codbarras 5601234000031; no destino não se pode repetir."},
        // A rule no column definition shows: the server's own words for the row.
        {"Fornecedores", "SELECT 1", "ALTER TABLE dbo.fornecedores ADD CONSTRAINT ck_nome CHECK (nome <> N'Águas do Luso')",
         "Fornecedores, código 302: o destino recusa este registo: ..."},
        {"Unidades", "SELECT 1", "ALTER TABLE dbo.unidades ALTER COLUMN descricao nvarchar(8)",
         "Unidades, código 2: descricao tem 10 caracteres; no destino cabem 8."},
        // Text codes, some that look like numbers: only those that are not numbers are refused, whatever they
        // hold, database placeholders and quotes among it.
        {"Unidades",
         "DROP TABLE dbo.Unidades; CREATE TABLE dbo.Unidades (codigo nvarchar(30) NOT NULL PRIMARY KEY, descricao nvarchar(40) NULL); "
         "INSERT INTO dbo.Unidades (codigo, descricao) VALUES (N'1', N'Unidade'), (N'2', N'Quilograma'), (N'007', N'Saco'), "
         "(N'10', N'Caixa'), (N'A1', N'Palete'), (N'caixa@origem', N'Caixa'), (N'saco d''Ana @destino', N'Saco')",
         "SELECT 1", "Unidades, código A1: codigo tem 'A1', que não se converte em int."},
        {"Unidades", "SELECT 1", "SELECT 1",
         "Unidades, código caixa@origem: codigo tem 'caixa@origem', que não se converte em int."},
        {"Unidades", "SELECT 1", "SELECT 1",
         "Unidades, código saco d'Ana @destino: codigo tem 'saco d'Ana @destino', que não se converte em int."},
    };
    return rows;
}

// Breaks the fixture with the cases of the tables named (all when none are).
inline void spoil(server::ScratchDatabase& src, server::ScratchDatabase& dst, const QStringList& tables = {})
{
    for (const BadRow& row : badRows()) {
        if (!tables.isEmpty() && !tables.contains(QLatin1String(row.table)))
            continue;
        src.execute(QString::fromUtf8(row.source));
        dst.execute(QString::fromUtf8(row.destination));
    }
}

// Whether line is the one the case expects.
inline bool names(const BadRow& row, const QString& line)
{
    const QString expected = QString::fromUtf8(row.line);
    if (expected.endsWith(QStringLiteral("...")))
        return line.startsWith(expected.chopped(3)) && line.size() > expected.size();
    return line == expected;
}

}  // namespace dirty
