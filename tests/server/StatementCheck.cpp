#include "StatementCheck.h"

#include <QMap>
#include <QRegularExpression>
#include <optional>

using server::ColumnDef;
using server::TableDef;
using server::Token;
using server::TypeClass;
using server::closing;
using server::splitTopLevel;

namespace {

using Tokens = std::vector<Token>;

struct TableRef {
    const TableDef* table = nullptr;
    QString alias;
};

// What an expression writes into a column.
struct Value {
    enum Kind { Column, Null, Number, Text } kind;
    ColumnDef column;  // for Column: the type it carries
};

const QStringList kKeywords{"SELECT", "TOP", "AS", "FROM", "WHERE", "AND", "OR", "NOT", "ORDER", "BY", "DESC", "ASC",
                            "INNER", "JOIN", "ON", "NULL", "IS", "IN", "LIKE", "BETWEEN", "DISTINCT"};

bool isKeyword(const Token& t)
{
    return t.kind == Token::Word && !t.bracketed && kKeywords.contains(t.text, Qt::CaseInsensitive);
}

QString text(const Tokens& t)
{
    QStringList words;
    for (const Token& token : t)
        words.append(token.kind == Token::String ? u'\'' + token.text + u'\'' : token.text);
    return words.join(u' ');
}

class Checker {
public:
    Checker(const server::FixtureSchema& source, const server::FixtureSchema& destination, const QString& sourceName,
            const QString& destinationName, const QString& sql)
        : m_source(source), m_destination(destination), m_sourceName(sourceName),
          m_destinationName(destinationName), m_t(server::tokenize(sql))
    {
    }

    QStringList run()
    {
        if (m_t.size() > 2 && m_t[0].is("DELETE") && m_t[1].is("FROM")) {
            std::size_t i = 2;
            tableAt(i, QStringLiteral("DELETE"));
            if (i != m_t.size())
                problem(QStringLiteral("unexpected text after the DELETE's table"));
        } else if (m_t.size() > 2 && m_t[0].is("INSERT") && m_t[1].is("INTO")) {
            insert();
        } else if (!m_t.empty() && m_t[0].is("SELECT")) {
            select(0, m_t.size());
        } else {
            problem(QStringLiteral("statement not understood"));
        }
        return m_problems;
    }

private:
    void problem(const QString& text) { m_problems.append(text); }

    // Reads "[db].dbo.table" at i; the database decides which fixture it is
    // looked up in.
    const TableDef* tableAt(std::size_t& i, const QString& role)
    {
        if (i + 4 >= m_t.size() || m_t[i].kind != Token::Word || !m_t[i].bracketed || !m_t[i + 1].isPunct(u".") ||
            !m_t[i + 2].is("dbo") || !m_t[i + 3].isPunct(u".") || m_t[i + 4].kind != Token::Word) {
            problem(role + QStringLiteral(": expected [database].dbo.table"));
            i = m_t.size();
            return nullptr;
        }
        const QString database = m_t[i].text;
        const QString name = m_t[i + 4].text;
        i += 5;
        const server::FixtureSchema* schema = nullptr;
        if (database == m_sourceName)
            schema = &m_source;
        else if (database == m_destinationName)
            schema = &m_destination;
        else {
            problem(QStringLiteral("%1: unknown database [%2]").arg(role, database));
            return nullptr;
        }
        const TableDef* table = schema->table(name);
        if (!table)
            problem(QStringLiteral("%1: no table %2 in the %3 fixture")
                        .arg(role, name, schema == &m_source ? QStringLiteral("source") : QStringLiteral("destination")));
        return table;
    }

    const ColumnDef* columnOf(const TableDef* table, const QString& column)
    {
        if (!table)
            return nullptr;
        const ColumnDef* c = table->column(column);
        if (!c)
            problem(QStringLiteral("no column %1.%2").arg(table->name, column));
        return c;
    }

    // FROM [db].dbo.T [alias] {INNER JOIN [db].dbo.U [alias] ON ...}: the tables, by alias.
    std::vector<TableRef> fromClause(std::size_t& i, std::size_t end)
    {
        std::vector<TableRef> refs;
        for (;;) {
            TableRef ref;
            ref.table = tableAt(i, QStringLiteral("FROM"));
            if (i < end && m_t[i].kind == Token::Word && !isKeyword(m_t[i]))
                ref.alias = m_t[i++].text;
            refs.push_back(ref);
            if (i + 1 < end && m_t[i].is("INNER") && m_t[i + 1].is("JOIN")) {
                i += 2;
                continue;
            }
            return refs;
        }
    }

    // Every column reference in [begin, end), alias-qualified or bare.
    void columnReferences(std::size_t begin, std::size_t end, const std::vector<TableRef>& refs)
    {
        for (std::size_t i = begin; i < end; ++i) {
            const Token& t = m_t[i];
            if (t.kind != Token::Word || isKeyword(t))
                continue;
            if (i > begin && m_t[i - 1].is("AS"))
                continue;  // a result column's name
            if (i + 1 < end && m_t[i + 1].isPunct(u"("))
                continue;  // a function or a type
            if (i + 2 < end && m_t[i + 1].isPunct(u".")) {
                const TableRef* ref = nullptr;
                for (const TableRef& r : refs) {
                    if (r.alias.compare(t.text, Qt::CaseInsensitive) == 0)
                        ref = &r;
                }
                if (!ref)
                    problem(QStringLiteral("unknown alias %1").arg(t.text));
                else
                    columnOf(ref->table, m_t[i + 2].text);
                i += 2;
                continue;
            }
            if (refs.size() != 1) {
                problem(QStringLiteral("column %1 is not qualified in a join").arg(t.text));
                continue;
            }
            columnOf(refs.front().table, t.text);
        }
    }

    // SELECT ... FROM ... in [begin, end).
    std::vector<TableRef> select(std::size_t begin, std::size_t end)
    {
        std::size_t from = begin;
        while (from < end && !m_t[from].is("FROM"))
            ++from;
        if (from == end) {
            problem(QStringLiteral("SELECT without FROM"));
            return {};
        }
        std::size_t i = from + 1;
        const std::vector<TableRef> refs = fromClause(i, end);
        columnReferences(begin + 1, from, refs);
        columnReferences(i, end, refs);
        return refs;
    }

    std::optional<Value> valueOf(const Tokens& e, const TableDef* sourceTable)
    {
        if (e.size() == 1 && e[0].is("NULL"))
            return Value{Value::Null, {}};
        if ((e.size() == 1 && e[0].kind == Token::Number) ||
            (e.size() == 2 && e[0].isPunct(u"-") && e[1].kind == Token::Number))
            return Value{Value::Number, {}};
        if (e.size() == 1 && e[0].kind == Token::String)
            return Value{Value::Text, {}};
        if (e.size() == 1 && e[0].kind == Token::Word && !isKeyword(e[0])) {
            if (const ColumnDef* c = columnOf(sourceTable, e[0].text))
                return Value{Value::Column, *c};
            return std::nullopt;
        }
        // ISNULL(column, number): the column's type, never NULL.
        if (e.size() == 6 && e[0].is("ISNULL") && e[1].isPunct(u"(") && e[2].kind == Token::Word &&
            e[3].isPunct(u",") && e[4].kind == Token::Number && e[5].isPunct(u")")) {
            const ColumnDef* c = columnOf(sourceTable, e[2].text);
            if (!c)
                return std::nullopt;
            if (c->nullable == false)
                problem(QStringLiteral("ISNULL(%1, ...) on a NOT NULL column: the fixture does not exercise it").arg(c->name));
            if (server::classOf(c->type) != TypeClass::Numeric)
                problem(QStringLiteral("ISNULL(%1, 0) on a column that is not a number").arg(c->name));
            ColumnDef typed = *c;
            typed.nullable = false;
            return Value{Value::Column, typed};
        }
        // CONVERT(VARCHAR(n), column): text of at most n characters.
        if (e.size() == 9 && e[0].is("CONVERT") && e[1].isPunct(u"(") && e[2].is("VARCHAR") && e[3].isPunct(u"(") &&
            e[4].kind == Token::Number && e[5].isPunct(u")") && e[6].isPunct(u",") && e[7].kind == Token::Word &&
            e[8].isPunct(u")")) {
            const ColumnDef* c = columnOf(sourceTable, e[7].text);
            if (!c)
                return std::nullopt;
            ColumnDef typed;
            typed.name = c->name;
            typed.type = QStringLiteral("varchar");
            typed.length = e[4].text.toInt();
            typed.nullable = c->nullable;
            return Value{Value::Column, typed};
        }
        problem(QStringLiteral("expression not understood: %1").arg(text(e)));
        return std::nullopt;
    }

    void fits(const ColumnDef& target, const Value& value, const QString& what)
    {
        const TypeClass targetClass = server::classOf(target.type);
        const QString where = QStringLiteral("%1 into %2 (%3)").arg(what, target.name, target.type);
        switch (value.kind) {
        case Value::Null:
            if (!target.nullable)
                problem(QStringLiteral("NULL %1 NOT NULL").arg(where));
            return;
        case Value::Number:
            // The server turns 0 into 1900-01-01 for datetime, but not for date or datetime2.
            if (targetClass != TypeClass::Numeric && target.type != u"datetime" && target.type != u"smalldatetime")
                problem(QStringLiteral("a number %1").arg(where));
            return;
        case Value::Text:
            if (targetClass != TypeClass::Text)
                problem(QStringLiteral("a text literal %1").arg(where));
            return;
        case Value::Column:
            break;
        }
        const ColumnDef& source = value.column;
        const TypeClass sourceClass = server::classOf(source.type);
        if (sourceClass != targetClass || sourceClass == TypeClass::Other) {
            problem(QStringLiteral("%1 of type %2").arg(where, source.type));
            return;
        }
        if (sourceClass == TypeClass::Text) {
            // A length of 0 is unknown: bound text takes whatever the column holds.
            if (target.length != -1 && source.length != 0 && (source.length == -1 || source.length > target.length))
                problem(QStringLiteral("%1 may be cut: %2(%3) into %4(%5)")
                            .arg(where, source.type).arg(source.length).arg(target.type).arg(target.length));
            if (source.type.startsWith(u'n') && !target.type.startsWith(u'n'))
                problem(QStringLiteral("%1 loses characters: %2 into %3").arg(where, source.type, target.type));
        }
        if (source.nullable && !target.nullable)
            problem(QStringLiteral("%1: a NULL in %2 would fail").arg(where, source.name));
    }

    void insert()
    {
        std::size_t i = 2;
        const TableDef* target = tableAt(i, QStringLiteral("INSERT"));
        if (!target || i >= m_t.size() || !m_t[i].isPunct(u"(")) {
            problem(QStringLiteral("INSERT without a column list"));
            return;
        }
        const std::size_t listEnd = closing(m_t, i);
        std::vector<const ColumnDef*> columns;
        for (const Tokens& part : splitTopLevel(m_t, i + 1, listEnd)) {
            if (part.size() != 1 || part[0].kind != Token::Word) {
                problem(QStringLiteral("INSERT column not understood: %1").arg(text(part)));
                columns.push_back(nullptr);
                continue;
            }
            columns.push_back(columnOf(target, part[0].text));
        }
        for (const ColumnDef& c : target->columns) {
            bool named = false;
            for (const ColumnDef* n : columns)
                named = named || n == &c;
            if (!named && !c.nullable && !c.hasDefault)
                problem(QStringLiteral("INSERT leaves NOT NULL column %1.%2 out").arg(target->name, c.name));
        }

        i = listEnd + 1;
        if (i < m_t.size() && m_t[i].is("VALUES")) {
            if (i + 1 >= m_t.size() || !m_t[i + 1].isPunct(u"(") || closing(m_t, i + 1) != m_t.size() - 1) {
                problem(QStringLiteral("VALUES not understood"));
                return;
            }
            const std::vector<Tokens> values = splitTopLevel(m_t, i + 2, m_t.size() - 1);
            if (values.size() != columns.size()) {
                problem(QStringLiteral("%1 values for %2 columns").arg(values.size()).arg(columns.size()));
                return;
            }
            for (std::size_t k = 0; k < values.size(); ++k) {
                if (!columns[k])
                    continue;
                const std::optional<Value> v = parameterOrLiteral(values[k]);
                if (v)
                    fits(*columns[k], *v, text(values[k]));
            }
            return;
        }

        // (SELECT ... FROM [db].dbo.T)
        if (i >= m_t.size() || !m_t[i].isPunct(u"(") || i + 1 >= m_t.size() || !m_t[i + 1].is("SELECT") ||
            closing(m_t, i) != m_t.size() - 1) {
            problem(QStringLiteral("INSERT ... (SELECT ...) not understood"));
            return;
        }
        const std::size_t selectBegin = i + 1;
        const std::size_t selectEnd = m_t.size() - 1;
        std::size_t from = selectBegin;
        while (from < selectEnd && !m_t[from].is("FROM"))
            ++from;
        std::size_t j = from + 1;
        const std::vector<TableRef> refs = fromClause(j, selectEnd);
        if (j != selectEnd || refs.size() != 1) {
            problem(QStringLiteral("INSERT ... SELECT reads from more than one plain table"));
            return;
        }
        const std::vector<Tokens> expressions = splitTopLevel(m_t, selectBegin + 1, from);
        if (expressions.size() != columns.size()) {
            problem(QStringLiteral("%1 values selected for %2 columns").arg(expressions.size()).arg(columns.size()));
            return;
        }
        for (std::size_t k = 0; k < expressions.size(); ++k) {
            const std::optional<Value> v = valueOf(expressions[k], refs.front().table);
            if (v && columns[k])
                fits(*columns[k], *v, text(expressions[k]));
        }
    }

    // The line and header statements' values: literals and the bound parameters.
    std::optional<Value> parameterOrLiteral(const Tokens& e)
    {
        if (e.size() == 1 && e[0].kind == Token::Param) {
            static const QMap<QString, QString> kBound{{"numero", "int"},      {"codigo", "int"},
                                                       {"data", "datetime"},   {"datahora", "datetime"},
                                                       {"descricao", "nvarchar"}, {"qtd", "decimal"}};
            const QString name = e[0].text.toLower();
            if (!kBound.contains(name)) {
                problem(QStringLiteral("unknown parameter :%1").arg(e[0].text));
                return std::nullopt;
            }
            ColumnDef bound;
            bound.name = QLatin1Char(':') + name;
            bound.type = kBound.value(name);
            bound.length = 0;  // the bound text's length is the data's
            bound.nullable = false;  // NULL stock and description are bound as 0 and ''
            return Value{Value::Column, bound};
        }
        return valueOf(e, nullptr);
    }

    const server::FixtureSchema& m_source;
    const server::FixtureSchema& m_destination;
    QString m_sourceName;
    QString m_destinationName;
    Tokens m_t;
    QStringList m_problems;
};

}  // namespace

StatementCheck::StatementCheck(const server::FixtureSchema& source, const server::FixtureSchema& destination,
                               QString sourceName, QString destinationName)
    : m_source(source), m_destination(destination), m_sourceName(std::move(sourceName)),
      m_destinationName(std::move(destinationName))
{
}

QStringList StatementCheck::problems(const QString& sql) const
{
    // A table's hints are no columns of it.
    static const QRegularExpression hints(QStringLiteral(" WITH \\((UPDLOCK|HOLDLOCK|, )+\\)"));
    return Checker(m_source, m_destination, m_sourceName, m_destinationName, QString(sql).remove(hints)).run();
}
