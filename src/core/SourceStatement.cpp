#include "core/SourceStatement.h"

#include <QRegularExpression>

namespace core {

std::optional<SourceStatement> SourceStatement::parse(const QString& statement)
{
    static const QRegularExpression shape(QStringLiteral(
        R"(^INSERT INTO @destino\.dbo\.(\w+) \(([^()]*)\) \((SELECT .* FROM @origem\.dbo\.(\w+))\)$)"));
    const QRegularExpressionMatch match = shape.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    QStringList columns = match.captured(2).split(u',');
    for (QString& column : columns)
        column = column.trimmed();
    return SourceStatement{match.captured(1), columns, match.captured(3), match.captured(4)};
}

QString SourceStatement::insertWhere(const QString& condition) const
{
    return QStringLiteral("INSERT INTO @destino.dbo.%1 (%2) (%3 WHERE %4)")
        .arg(destinationTable, columns.join(QStringLiteral(", ")), select, condition);
}

QString SourceStatement::selectWhere(const QString& condition) const
{
    return select + QStringLiteral(" WHERE ") + condition;
}

}  // namespace core
