#include "core/CrossServerCopy.h"

#include "db/DbError.h"
#include "db/SqlLiteral.h"

#include <QRegularExpression>

namespace core {

namespace {

// Calls visit(i) for every character of text at the top level, where depth
// is the count of parentheses open, outside quoted text and bracketed or
// quoted identifiers; the parentheses themselves are visited too, the
// closing one already at its outer depth. visit may skip ahead by returning
// the characters to pass over, and stop the walk by returning -1.
template <typename Visit>
void walkTopLevel(QStringView text, Visit visit)
{
    int depth = 0;
    QChar closing;  // of the quoted text or identifier we are in, if any
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!closing.isNull()) {
            if (c == closing)
                closing = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            closing = c;
            continue;
        }
        if (c == u'[') {
            closing = u']';
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        const qsizetype skip = visit(i, depth);
        if (skip < 0)
            return;
        i += skip;
    }
}

// Cuts text at every occurrence of separator outside parentheses, quotes and brackets.
QStringList splitTopLevel(QStringView text, QStringView separator)
{
    QStringList parts;
    qsizetype start = 0;
    walkTopLevel(text, [&](qsizetype i, int depth) -> qsizetype {
        if (depth != 0 || !text.mid(i).startsWith(separator, Qt::CaseInsensitive))
            return 0;
        parts.append(text.mid(start, i - start).toString());
        start = i + separator.size();
        return separator.size() - 1;
    });
    parts.append(text.mid(start).toString());
    return parts;
}

// The index of the parenthesis that closes the first one in text, or -1.
qsizetype closingParenthesis(QStringView text)
{
    qsizetype found = -1;
    bool opened = false;
    walkTopLevel(text, [&](qsizetype i, int depth) -> qsizetype {
        if (text[i] == u'(' && depth == 1)
            opened = true;
        if (opened && text[i] == u')' && depth == 0) {
            found = i;
            return -1;
        }
        return 0;
    });
    return found;
}

bool isLiteral(const QString& expression)
{
    static const QRegularExpression literal(
        QStringLiteral("^(NULL|-?[0-9]+(\\.[0-9]+)?|N?'([^']|'')*')$"), QRegularExpression::CaseInsensitiveOption);
    return literal.match(expression).hasMatch();
}

bool readsSource(const QString& statement)
{
    return statement.contains(QStringLiteral("@origem"));
}

// Rows in one INSERT ... VALUES: SQL Server's limit for one list.
constexpr int kRowsPerInsert = 1000;
// Characters after which an INSERT goes with fewer rows, so long values never pile up.
constexpr qsizetype kInsertCharacters = 4 * 1024 * 1024;

// Parameter arrays: the way every server and driver takes, one execution per row.
void copyInArrays(db::RowCursor& rows, db::Query& destination, const SplitStatement& split, const DatabaseNames& names)
{
    destination.setSql(substituteNames(split.insert(), names));
    std::vector<db::ParamValue> row;
    destination.executeForEach([&] {
        if (!rows.next(row))
            return false;
        destination.setValues(row);
        return true;
    });
}

// Many rows in one INSERT, each value written as its exact literal: the
// server parses a statement once for a thousand rows, where it parses a
// parameter array's statement once a row. The step's constants stand once in
// the SELECT, not in every row: the server's work grows with the values.
void copyInLiterals(db::RowCursor& rows, db::Query& destination, const SplitStatement& split,
                    const DatabaseNames& names)
{
    const QString head = substituteNames(QStringLiteral("INSERT INTO ") + split.table + QStringLiteral(" (") +
                                             split.columns.join(QStringLiteral(", ")) + QStringLiteral(") SELECT "),
                                         names);
    std::vector<db::ParamValue> row;
    QString values;
    bool more = rows.next(row);
    while (more) {
        // A column of the VALUES that is NULL in every row is typed int,
        // which a date or time column refuses: the SELECT writes a bare NULL.
        std::vector<bool> valued(row.size(), false);
        values.clear();
        for (int count = 0; more && count < kRowsPerInsert && values.size() < kInsertCharacters; ++count) {
            values += count == 0 ? QStringLiteral("(") : QStringLiteral(", (");
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c > 0)
                    values += QStringLiteral(", ");
                valued[c] = valued[c] || !std::holds_alternative<std::monostate>(row[c]);
                db::appendSqlLiteral(values, row[c]);
            }
            values += u')';
            more = rows.next(row);
        }
        QStringList selected;
        QStringList read;
        for (const QString& constant : split.constants) {
            if (!constant.isEmpty()) {
                selected.append(constant);
                continue;
            }
            read.append(QStringLiteral("c%1").arg(read.size() + 1));
            selected.append(valued[std::size_t(read.size() - 1)] ? QStringLiteral("v.") + read.back()
                                                                  : QStringLiteral("NULL"));
        }
        destination.setSql(head + selected.join(QStringLiteral(", ")) + QStringLiteral(" FROM (VALUES ") + values +
                           QStringLiteral(") AS v (") + read.join(QStringLiteral(", ")) + u')');
        destination.execute();
    }
}

void copyAcross(db::Connection& sourceServer, db::Query& destination, const SplitStatement& split,
                const DatabaseNames& names, bool rowsInOneInsert)
{
    const std::unique_ptr<db::RowCursor> rows = sourceServer.openCursor(substituteNames(split.sourceQuery, names));
    if (rowsInOneInsert)
        copyInLiterals(*rows, destination, split, names);
    else
        copyInArrays(*rows, destination, split, names);
}

}  // namespace

std::optional<SplitStatement> splitForTwoServers(const QString& statement)
{
    const QStringView text(statement);
    if (!text.startsWith(u"INSERT INTO ", Qt::CaseInsensitive))
        return std::nullopt;
    const qsizetype open = text.indexOf(u'(');
    const qsizetype close = closingParenthesis(text);
    if (open < 0 || close < 0)
        return std::nullopt;
    const QStringList columns = splitTopLevel(text.mid(open + 1, close - open - 1), u",");

    QStringView select = text.mid(close + 1).trimmed();
    if (select.startsWith(u'(') && select.endsWith(u')') && closingParenthesis(select) == select.size() - 1)
        select = select.mid(1, select.size() - 2).trimmed();
    if (!select.startsWith(u"SELECT ", Qt::CaseInsensitive))
        return std::nullopt;
    const QStringList selectAndFrom = splitTopLevel(select.mid(7), u" FROM ");
    if (selectAndFrom.size() != 2)
        return std::nullopt;
    const QStringList expressions = splitTopLevel(selectAndFrom[0], u",");
    if (expressions.size() != columns.size())
        return std::nullopt;

    SplitStatement split;
    split.table = text.mid(12, open - 12).trimmed().toString();
    QStringList read;
    for (qsizetype i = 0; i < expressions.size(); ++i) {
        const QString expression = expressions[i].trimmed();
        split.columns.append(columns[i].trimmed());
        if (isLiteral(expression)) {
            split.constants.append(expression);
        } else {
            read.append(expression);
            split.constants.append(QString());
        }
    }
    if (read.isEmpty())
        return std::nullopt;
    split.sourceQuery = QStringLiteral("SELECT ") + read.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                        selectAndFrom[1];
    return split;
}

QString SplitStatement::insert() const
{
    QStringList values;
    int read = 0;
    for (const QString& constant : constants)
        values.append(constant.isEmpty() ? QStringLiteral(":c%1").arg(++read) : constant);
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(") VALUES (") + values.join(QStringLiteral(", ")) + u')';
}

void runStepStatement(const QString& statement, const DatabaseNames& names, const StepSides& sides)
{
    if (sides.sourceServer && readsSource(statement)) {
        const std::optional<SplitStatement> split = splitForTwoServers(statement);
        if (!split)
            throw db::DbError(QStringLiteral("Não é possível ler de outro servidor: ") + statement);
        copyAcross(*sides.sourceServer, sides.destination, *split, names, sides.rowsInOneInsert);
        return;
    }
    sides.destination.setSql(substituteNames(statement, names));
    sides.destination.execute();
}

}  // namespace core
