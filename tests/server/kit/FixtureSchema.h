#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace server {

// --- Scripts -----------------------------------------------------------------

// Folder of the fixture scripts (tests/server/sql).
QString sqlDirectory();
// A fixture script's text, by file name; throws if it cannot be read.
QString readScript(const QString& fileName);
// The batches of a script: the text between lines holding only "GO".
QStringList batches(const QString& script);

// --- Tokens ----------------------------------------------------------------------

struct Token {
    enum Kind { Word, Number, String, Param, Punct };
    Kind kind;
    QString text;  // a word without its brackets, a string without its quotes
    bool bracketed = false;

    bool is(const char* word) const;  // a bare word, compared without regard to case
    bool isPunct(QStringView p) const { return kind == Punct && text == p; }
};

// T-SQL as far as the fixtures and the conversion's statements use it.
std::vector<Token> tokenize(const QString& sql);

// Index of the parenthesis closing the one at open; the end if there is none.
std::size_t closing(const std::vector<Token>& t, std::size_t open);

// Pieces of [begin, end) separated by commas outside parentheses; none for an empty range.
std::vector<std::vector<Token>> splitTopLevel(const std::vector<Token>& t, std::size_t begin, std::size_t end);

// --- Schema ------------------------------------------------------------------------

struct ColumnDef {
    QString name;
    QString type;     // lower case, without its size: "nvarchar", "decimal"
    int length = 0;   // characters or bytes for text and binary types; -1 for max
    bool nullable = true;
    bool hasDefault = false;  // a DEFAULT or IDENTITY fills it when omitted
};

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;

    const ColumnDef* column(const QString& name) const;  // without regard to case
};

enum class TypeClass { Numeric, Text, DateTime, Binary, Other };
TypeClass classOf(const QString& type);

// The tables that a sequence of fixture scripts leaves behind, read from their
// CREATE TABLE, ALTER TABLE ... ADD / DROP COLUMN and DROP TABLE statements.
// Their INSERT and UPDATE statements are checked against the tables as they
// stand at that point, so a fixture that would fail on the server is caught
// without one.
class FixtureSchema {
public:
    void apply(const QString& script, const QString& origin);
    const TableDef* table(const QString& name) const;  // without regard to case
    const std::vector<TableDef>& tables() const { return m_tables; }
    const QStringList& problems() const { return m_problems; }

private:
    void statement(const std::vector<Token>& t, const QString& origin);
    TableDef* findTable(const QString& name);
    void problem(const QString& origin, const QString& text) { m_problems.append(origin + QStringLiteral(": ") + text); }

    std::vector<TableDef> m_tables;
    QStringList m_problems;
};

// The schema after applying the named scripts in order.
FixtureSchema loadFixture(const QStringList& fileNames);

// A column as it is selected for comparison: as itself, for SqlSession to
// read as its own type, except bit, read as the number 0 or 1.
QString canonicalText(const ColumnDef& column);

// --- The fixture's source variants ------------------------------------------------------

// Which probe columns the source's tables have; each one missing swaps the
// statement its step runs.
struct SourceVariant {
    bool ivacaixa = true;     // Clientes
    bool fundo = true;        // Subfamilias
    bool frontoffice = true;  // Familias (without it: visivel, posicao, fundo, letra)
    bool referencia = true;   // Produtos (without it: posicao, fundo, letra, labelcurta)

    QString name() const;
    // The scripts that build the variant's schema and rows, in order.
    QStringList scripts() const;
};

inline const QStringList kDestinationScripts{QStringLiteral("destination_schema.sql"), QStringLiteral("destination_rows.sql")};

}  // namespace server
