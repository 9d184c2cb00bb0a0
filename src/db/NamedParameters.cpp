#include "db/NamedParameters.h"

namespace db {

namespace {

bool endsName(QChar c)
{
    return c == u' ' || c == u',' || c == u';' || c == u')' || c == u'\n' || c == u'\r' || c == u'\t';
}

// Where the quoted part opening at start ('text', "name" or [name]) ends:
// just past its closing character, or the end of the statement when it is
// never closed. A doubled closing character stays inside.
qsizetype afterQuoted(const QString& sql, qsizetype start)
{
    const QChar close = sql[start] == u'[' ? QChar(u']') : sql[start];
    qsizetype i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// Where the comment opening at start ("--" to the end of the line, or "/*"
// to its "*/", nested as the server nests them) ends.
qsizetype afterComment(const QString& sql, qsizetype start)
{
    if (sql[start] == u'-') {
        qsizetype i = start + 2;
        while (i < sql.size() && sql[i] != u'\n' && sql[i] != u'\r')
            ++i;
        return i;
    }
    int depth = 0;
    qsizetype i = start;
    while (i < sql.size()) {
        if (sql[i] == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
            ++depth;
            i += 2;
        } else if (sql[i] == u'*' && i + 1 < sql.size() && sql[i + 1] == u'/') {
            i += 2;
            if (--depth == 0)
                return i;
        } else {
            ++i;
        }
    }
    return sql.size();
}

bool opensComment(const QString& sql, qsizetype i)
{
    return i + 1 < sql.size() && ((sql[i] == u'-' && sql[i + 1] == u'-') || (sql[i] == u'/' && sql[i + 1] == u'*'));
}

}  // namespace

NamedStatement parseNamedParameters(const QString& sql)
{
    NamedStatement result;
    result.text.reserve(sql.size());
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        qsizetype skipTo = -1;
        if (c == u'\'' || c == u'"' || c == u'[')
            skipTo = afterQuoted(sql, i);
        else if (opensComment(sql, i))
            skipTo = afterComment(sql, i);
        if (skipTo >= 0) {
            result.text.append(QStringView(sql).mid(i, skipTo - i));
            i = skipTo;
            continue;
        }
        if (c == u':') {
            qsizetype end = i + 1;
            while (end < sql.size() && !endsName(sql[end]) && sql[end] != u'\'' && sql[end] != u':')
                ++end;
            if (end > i + 1) {
                result.names.append(sql.mid(i + 1, end - i - 1));
                result.text.append(u'?');
                i = end;
                continue;
            }
        }
        result.text.append(c);
        ++i;
    }
    return result;
}

}  // namespace db
