#include "FixtureSchema.h"

#include "SqlSession.h"

#include <QFile>
#include <QRegularExpression>

namespace server {

QString sqlDirectory()
{
    return QStringLiteral(KOVARA_SERVER_SQL_DIR);
}

QString readScript(const QString& fileName)
{
    QFile file(sqlDirectory() + u'/' + fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw OdbcFailure(("cannot read fixture script " + file.fileName()).toStdString());
    return QString::fromUtf8(file.readAll());
}

QStringList batches(const QString& script)
{
    static const QRegularExpression go(QStringLiteral("^\\s*GO\\s*$"), QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    QString current;
    for (const QString& line : script.split(u'\n')) {
        if (go.match(line).hasMatch()) {
            if (!current.trimmed().isEmpty())
                out.append(current);
            current.clear();
        } else {
            current += line + u'\n';
        }
    }
    if (!current.trimmed().isEmpty())
        out.append(current);
    return out;
}

// --- Tokens ----------------------------------------------------------------------

bool Token::is(const char* word) const
{
    return kind == Word && !bracketed && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    const auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$'; };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < n && sql[i + 1] == u'\'')) {
            i += c == u'\'' ? 1 : 2;
            QString text;
            while (i < n) {
                if (sql[i] == u'\'') {
                    if (i + 1 < n && sql[i + 1] == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += sql[i++];
            }
            out.push_back({Token::String, text});
        } else if (c == u'[') {
            ++i;
            QString text;
            while (i < n) {
                if (sql[i] == u']') {
                    if (i + 1 < n && sql[i + 1] == u']') {
                        text += u']';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += sql[i++];
            }
            out.push_back({Token::Word, text, true});
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            const qsizetype start = i;
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == u'.'))
                ++i;
            out.push_back({Token::Number, sql.mid(start, i - start)});
        } else if (c == u':' && i + 1 < n && wordChar(sql[i + 1])) {
            const qsizetype start = ++i;
            while (i < n && wordChar(sql[i]))
                ++i;
            out.push_back({Token::Param, sql.mid(start, i - start)});
        } else if (wordChar(c)) {
            const qsizetype start = i;
            while (i < n && wordChar(sql[i]))
                ++i;
            out.push_back({Token::Word, sql.mid(start, i - start)});
        } else {
            const QString two = sql.mid(i, 2);
            if (two == u"<=" || two == u">=" || two == u"<>" || two == u"!=") {
                out.push_back({Token::Punct, two});
                i += 2;
            } else {
                out.push_back({Token::Punct, QString(c)});
                ++i;
            }
        }
    }
    return out;
}

std::vector<std::vector<Token>> splitTopLevel(const std::vector<Token>& t, std::size_t begin, std::size_t end)
{
    std::vector<std::vector<Token>> parts(1);
    int depth = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (t[i].isPunct(u"("))
            ++depth;
        else if (t[i].isPunct(u")"))
            --depth;
        if (depth == 0 && t[i].isPunct(u",")) {
            parts.emplace_back();
            continue;
        }
        parts.back().push_back(t[i]);
    }
    if (parts.size() == 1 && parts.front().empty())
        parts.clear();
    return parts;
}

std::size_t closing(const std::vector<Token>& t, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < t.size(); ++i) {
        if (t[i].isPunct(u"("))
            ++depth;
        else if (t[i].isPunct(u")") && --depth == 0)
            return i;
    }
    return t.size();
}

// --- Schema ------------------------------------------------------------------------

namespace {

using Tokens = std::vector<Token>;


// Reads "dbo.Name" or "Name" at i; moves i past it.
QString qualifiedName(const Tokens& t, std::size_t& i)
{
    QString name;
    while (i < t.size() && t[i].kind == Token::Word) {
        name = t[i].text;
        if (i + 1 < t.size() && t[i + 1].isPunct(u".")) {
            i += 2;
            continue;
        }
        ++i;
        break;
    }
    return name;
}

bool isConstraint(const Tokens& def)
{
    return !def.empty() && (def[0].is("CONSTRAINT") || def[0].is("PRIMARY") || def[0].is("UNIQUE") ||
                            def[0].is("FOREIGN") || def[0].is("CHECK") || def[0].is("INDEX"));
}

std::optional<ColumnDef> columnDefinition(const Tokens& def)
{
    if (def.size() < 2 || def[0].kind != Token::Word || def[1].kind != Token::Word)
        return std::nullopt;
    ColumnDef c;
    c.name = def[0].text;
    c.type = def[1].text.toLower();
    std::size_t i = 2;
    if (i < def.size() && def[i].isPunct(u"(")) {
        if (i + 1 < def.size())
            c.length = def[i + 1].is("max") ? -1 : def[i + 1].text.toInt();
        while (i < def.size() && !def[i].isPunct(u")"))
            ++i;
        ++i;
    }
    for (; i < def.size(); ++i) {
        if (def[i].is("NOT") && i + 1 < def.size() && def[i + 1].is("NULL"))
            c.nullable = false;
        else if (def[i].is("PRIMARY"))
            c.nullable = false;
        else if (def[i].is("IDENTITY") || def[i].is("DEFAULT"))
            c.hasDefault = true;
    }
    return c;
}

// A value in an INSERT or UPDATE of a fixture: is it the literal NULL?
bool isNullValue(const Tokens& value)
{
    return value.size() == 1 && value[0].is("NULL");
}

}  // namespace

const ColumnDef* TableDef::column(const QString& name) const
{
    for (const ColumnDef& c : columns) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

TypeClass classOf(const QString& type)
{
    static const QStringList numeric{"int", "bigint", "smallint", "tinyint", "bit", "money", "smallmoney",
                                     "decimal", "numeric", "float", "real"};
    static const QStringList text{"char", "varchar", "nchar", "nvarchar", "text", "ntext"};
    static const QStringList dateTime{"datetime", "smalldatetime", "datetime2", "date"};
    static const QStringList binary{"binary", "varbinary", "image"};
    if (numeric.contains(type))
        return TypeClass::Numeric;
    if (text.contains(type))
        return TypeClass::Text;
    if (dateTime.contains(type))
        return TypeClass::DateTime;
    if (binary.contains(type))
        return TypeClass::Binary;
    return TypeClass::Other;
}

TableDef* FixtureSchema::findTable(const QString& name)
{
    for (TableDef& t : m_tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const TableDef* FixtureSchema::table(const QString& name) const
{
    return const_cast<FixtureSchema*>(this)->findTable(name);
}

void FixtureSchema::apply(const QString& script, const QString& origin)
{
    for (const QString& batch : batches(script)) {
        const Tokens all = tokenize(batch);
        Tokens current;
        for (const Token& token : all) {
            if (token.isPunct(u";")) {
                if (!current.empty())
                    statement(current, origin);
                current.clear();
            } else {
                current.push_back(token);
            }
        }
        if (!current.empty())
            statement(current, origin);
    }
}

void FixtureSchema::statement(const Tokens& t, const QString& origin)
{
    std::size_t i = 0;
    if (t.size() > 2 && t[0].is("CREATE") && t[1].is("TABLE")) {
        i = 2;
        TableDef table;
        table.name = qualifiedName(t, i);
        if (findTable(table.name)) {
            problem(origin, QStringLiteral("table %1 created twice").arg(table.name));
            return;
        }
        if (i >= t.size() || !t[i].isPunct(u"(")) {
            problem(origin, QStringLiteral("cannot read CREATE TABLE %1").arg(table.name));
            return;
        }
        for (const Tokens& def : splitTopLevel(t, i + 1, closing(t, i))) {
            if (isConstraint(def))
                continue;
            if (const std::optional<ColumnDef> c = columnDefinition(def))
                table.columns.push_back(*c);
            else
                problem(origin, QStringLiteral("cannot read a column of %1").arg(table.name));
        }
        m_tables.push_back(std::move(table));
        return;
    }

    if (t.size() > 2 && t[0].is("DROP") && t[1].is("TABLE")) {
        i = 2;
        const QString name = qualifiedName(t, i);
        const auto before = m_tables.size();
        std::erase_if(m_tables, [&](const TableDef& d) { return d.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (m_tables.size() == before)
            problem(origin, QStringLiteral("DROP TABLE of unknown table %1").arg(name));
        return;
    }

    if (t.size() > 2 && t[0].is("ALTER") && t[1].is("TABLE")) {
        i = 2;
        const QString name = qualifiedName(t, i);
        TableDef* table = findTable(name);
        if (!table) {
            problem(origin, QStringLiteral("ALTER TABLE of unknown table %1").arg(name));
            return;
        }
        if (i + 1 < t.size() && t[i].is("DROP") && t[i + 1].is("COLUMN")) {
            for (const Tokens& part : splitTopLevel(t, i + 2, t.size())) {
                const QString column = part.empty() ? QString() : part[0].text;
                const auto before = table->columns.size();
                std::erase_if(table->columns,
                              [&](const ColumnDef& c) { return c.name.compare(column, Qt::CaseInsensitive) == 0; });
                if (table->columns.size() == before)
                    problem(origin, QStringLiteral("DROP COLUMN of unknown column %1.%2").arg(name, column));
            }
        } else if (i < t.size() && t[i].is("ADD")) {
            for (const Tokens& def : splitTopLevel(t, i + 1, t.size())) {
                const std::optional<ColumnDef> c = columnDefinition(def);
                if (!c)
                    problem(origin, QStringLiteral("cannot read a column added to %1").arg(name));
                else if (table->column(c->name))
                    problem(origin, QStringLiteral("column %1.%2 added twice").arg(name, c->name));
                else if (!c->nullable && !c->hasDefault)
                    problem(origin, QStringLiteral("column %1.%2 added NOT NULL without a default").arg(name, c->name));
                else
                    table->columns.push_back(*c);
            }
        } else {
            problem(origin, QStringLiteral("cannot read ALTER TABLE %1").arg(name));
        }
        return;
    }

    if (t.size() > 2 && t[0].is("INSERT") && t[1].is("INTO")) {
        i = 2;
        const QString name = qualifiedName(t, i);
        const TableDef* table = findTable(name);
        if (!table) {
            problem(origin, QStringLiteral("INSERT into unknown table %1").arg(name));
            return;
        }
        if (i >= t.size() || !t[i].isPunct(u"(")) {
            problem(origin, QStringLiteral("INSERT into %1 without a column list").arg(name));
            return;
        }
        const std::size_t listEnd = closing(t, i);
        QStringList columns;
        for (const Tokens& part : splitTopLevel(t, i + 1, listEnd)) {
            const QString column = part.empty() ? QString() : part[0].text;
            columns.append(column);
            if (!table->column(column))
                problem(origin, QStringLiteral("INSERT into unknown column %1.%2").arg(name, column));
        }
        for (const ColumnDef& c : table->columns) {
            if (!c.nullable && !c.hasDefault && !columns.contains(c.name, Qt::CaseInsensitive))
                problem(origin, QStringLiteral("INSERT into %1 leaves NOT NULL column %2 out").arg(name, c.name));
        }
        i = listEnd + 1;
        if (i >= t.size() || !t[i].is("VALUES"))
            return;  // INSERT ... SELECT: the columns were checked
        ++i;
        while (i < t.size()) {
            if (t[i].isPunct(u",")) {
                ++i;
                continue;
            }
            if (!t[i].isPunct(u"(")) {
                problem(origin, QStringLiteral("cannot read the VALUES of an INSERT into %1").arg(name));
                return;
            }
            const std::size_t end = closing(t, i);
            const std::vector<Tokens> values = splitTopLevel(t, i + 1, end);
            if (values.size() != std::size_t(columns.size())) {
                problem(origin, QStringLiteral("INSERT into %1: %2 values for %3 columns")
                                    .arg(name).arg(values.size()).arg(columns.size()));
            } else {
                for (qsizetype v = 0; v < columns.size(); ++v) {
                    const ColumnDef* c = table->column(columns[v]);
                    if (c && !c->nullable && isNullValue(values[std::size_t(v)]))
                        problem(origin, QStringLiteral("INSERT puts NULL into NOT NULL column %1.%2").arg(name, c->name));
                }
            }
            i = end + 1;
        }
        return;
    }

    if (t.size() > 2 && t[0].is("UPDATE")) {
        i = 1;
        const QString name = qualifiedName(t, i);
        const TableDef* table = findTable(name);
        if (!table) {
            problem(origin, QStringLiteral("UPDATE of unknown table %1").arg(name));
            return;
        }
        if (i >= t.size() || !t[i].is("SET")) {
            problem(origin, QStringLiteral("cannot read UPDATE %1").arg(name));
            return;
        }
        std::size_t end = i + 1;
        while (end < t.size() && !t[end].is("WHERE"))
            ++end;
        for (const Tokens& part : splitTopLevel(t, i + 1, end)) {
            const QString column = part.empty() ? QString() : part[0].text;
            const ColumnDef* c = table->column(column);
            if (!c)
                problem(origin, QStringLiteral("UPDATE of unknown column %1.%2").arg(name, column));
            else if (!c->nullable && part.size() == 3 && part[2].is("NULL"))
                problem(origin, QStringLiteral("UPDATE puts NULL into NOT NULL column %1.%2").arg(name, c->name));
        }
        return;
    }
    // Anything else (USE, SET, DELETE, ...) leaves the schema as it is.
}

FixtureSchema loadFixture(const QStringList& fileNames)
{
    FixtureSchema schema;
    for (const QString& file : fileNames)
        schema.apply(readScript(file), file);
    return schema;
}

QString canonicalText(const ColumnDef& column)
{
    const QString name = u'[' + column.name + u']';
    if (column.type == u"bit")
        return QStringLiteral("CONVERT(int, %1)").arg(name);
    // Every other type is written canonically by the session that reads it.
    return name;
}

// --- Variants --------------------------------------------------------------------

QString SourceVariant::name() const
{
    QStringList missing;
    if (!ivacaixa)
        missing.append(QStringLiteral("ivacaixa"));
    if (!fundo)
        missing.append(QStringLiteral("fundo"));
    if (!frontoffice)
        missing.append(QStringLiteral("frontoffice"));
    if (!referencia)
        missing.append(QStringLiteral("referencia"));
    return missing.isEmpty() ? QStringLiteral("AllProbeColumns") : QStringLiteral("Without_") + missing.join(u'_');
}

QStringList SourceVariant::scripts() const
{
    QStringList files{QStringLiteral("source_schema.sql"), QStringLiteral("source_rows.sql")};
    if (!ivacaixa)
        files.append(QStringLiteral("source_without_ivacaixa.sql"));
    if (!fundo)
        files.append(QStringLiteral("source_without_fundo.sql"));
    if (!frontoffice)
        files.append(QStringLiteral("source_without_frontoffice.sql"));
    if (!referencia)
        files.append(QStringLiteral("source_without_referencia.sql"));
    return files;
}

}  // namespace server
