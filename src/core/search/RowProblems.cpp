#include "core/search/RowProblems.h"

#include <QStringList>
#include <cmath>

namespace core {

namespace {

struct Bounds {
    double low;
    double high;
    QString lowText;
    QString highText;
};

const QStringList kTextTypes{"char", "varchar", "nchar", "nvarchar"};

std::optional<Bounds> numericBounds(const ColumnRule& column)
{
    const QString& type = column.type;
    if (type == u"tinyint")
        return Bounds{0, 255, "0", "255"};
    if (type == u"smallint")
        return Bounds{-32768, 32767, "-32768", "32767"};
    if (type == u"int")
        return Bounds{-2147483648.0, 2147483647.0, "-2147483648", "2147483647"};
    if (type == u"bigint")
        return Bounds{-9223372036854775808.0, 9223372036854775807.0, "-9223372036854775808", "9223372036854775807"};
    if (type == u"smallmoney")
        return Bounds{-214748.3648, 214748.3647, "-214748.3648", "214748.3647"};
    if (type == u"money")
        return Bounds{-922337203685477.5808, 922337203685477.5807, "-922337203685477.5808", "922337203685477.5807"};
    if ((type == u"decimal" || type == u"numeric") && column.precision > 0) {
        // p digits, s of them after the point: the largest is 99..9.99..9.
        const int whole = column.precision - column.scale;
        QString largest = whole > 0 ? QString(whole, u'9') : QStringLiteral("0");
        if (column.scale > 0)
            largest += u'.' + QString(column.scale, u'9');
        const double limit = std::pow(10.0, whole) - std::pow(10.0, -column.scale) / 2;
        return Bounds{-limit, limit, u'-' + largest, largest};
    }
    return std::nullopt;
}

bool isNumericType(const QString& type)
{
    return type == u"bit" || type == u"float" || type == u"real" || type.endsWith(u"int") || type.endsWith(u"money") ||
           type == u"decimal" || type == u"numeric";
}

// Trailing blanks go without complaint when text is cut to fit.
qsizetype significantLength(const QString& text)
{
    qsizetype length = text.size();
    while (length > 0 && text[length - 1] == u' ')
        --length;
    return length;
}

}  // namespace

std::optional<QString> columnProblem(const ColumnRule& column, const std::optional<QString>& value)
{
    if (!value) {
        if (column.nullable)
            return std::nullopt;
        return QStringLiteral("%1 não tem valor; no destino é obrigatório").arg(column.name);
    }
    if (kTextTypes.contains(column.type) && column.maxLength > 0) {
        const qsizetype length = significantLength(*value);
        if (length > column.maxLength)
            return QStringLiteral("%1 tem %2 caracteres; no destino cabem %3").arg(column.name).arg(length).arg(column.maxLength);
        return std::nullopt;
    }
    if (!isNumericType(column.type))
        return std::nullopt;

    const QString text = value->trimmed();
    // Empty text converts to 0 in every numeric type but the exact decimals.
    if (text.isEmpty() && column.type != u"decimal" && column.type != u"numeric")
        return std::nullopt;
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (!isNumber) {
        if (column.type == u"bit" && (text.compare(u"true", Qt::CaseInsensitive) == 0 ||
                                      text.compare(u"false", Qt::CaseInsensitive) == 0))
            return std::nullopt;
        return QStringLiteral("%1 tem '%2', que não se converte em %3").arg(column.name, *value, column.type);
    }
    if (const std::optional<Bounds> bounds = numericBounds(column)) {
        // Whole-number columns keep the whole part of what they are given.
        const double kept = column.type.endsWith(u"int") ? std::trunc(number) : number;
        if (kept < bounds->low || kept > bounds->high)
            return QStringLiteral("%1 vale %2; no destino cabem valores de %3 a %4")
                .arg(column.name, text, bounds->lowText, bounds->highText);
    }
    return std::nullopt;
}

}  // namespace core
