#include "core/common/SqlNames.h"

#include "db/SqlLiteral.h"

#include <QStringView>

namespace core {

QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(u']', QStringLiteral("]]"));
    return u'[' + quoted + u']';
}

QString textLiteral(const QString& text)
{
    QString literal;
    db::appendSqlLiteral(literal, text);
    return literal;
}

QString substituteNames(const QString& statement, const DatabaseNames& names)
{
    static constexpr QStringView kDestination = u"@destino";
    static constexpr QStringView kSource = u"@origem";
    const QString destination = quotedName(names.destination);
    const QString source = quotedName(names.source);

    QString out;
    out.reserve(statement.size() + 64);
    const QStringView text(statement);
    qsizetype i = 0;
    while (i < text.size()) {
        const QStringView rest = text.mid(i);
        if (rest.startsWith(kDestination)) {
            out += destination;
            i += kDestination.size();
        } else if (rest.startsWith(kSource)) {
            out += source;
            i += kSource.size();
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

QString substituteNames(const QString& statement, const DatabaseNames& names, const QString& condition)
{
    const QString named = substituteNames(statement, names);
    return condition.isEmpty() ? named : named + QStringLiteral(" WHERE ") + condition;
}

}  // namespace core
