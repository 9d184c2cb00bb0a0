#include "db/NamedParameters.h"

namespace db {

namespace {

bool endsName(QChar c)
{
    return c == u' ' || c == u',' || c == u';' || c == u')' || c == u'\n' || c == u'\r' || c == u'\t';
}

}  // namespace

NamedStatement parseNamedParameters(const QString& sql)
{
    NamedStatement result;
    result.text.reserve(sql.size());
    bool inQuotes = false;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'') {
            inQuotes = !inQuotes;  // a doubled quote toggles twice and stays inside
        } else if (c == u':' && !inQuotes) {
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
