#include "db/SqlLiteral.h"

namespace db {

namespace {

void appendText(QString& sql, const QString& text)
{
    // A NUL would end the statement early on its way through the driver.
    sql += QStringLiteral("N'");
    for (const QChar c : text) {
        if (c == u'\'') {
            sql += QStringLiteral("''");
        } else if (c.isNull()) {
            sql += QStringLiteral("' + NCHAR(0) + N'");
        } else {
            sql += c;
        }
    }
    sql += u'\'';
}

void appendDigits(QString& sql, unsigned value, int width)
{
    sql += QString::number(value).rightJustified(width, u'0');
}

void appendTimestamp(QString& sql, const Timestamp& t)
{
    // The fraction a datetime column holds; finer digits need datetime2, which
    // a datetime column's text form would refuse.
    const bool finer = t.nanoseconds % 1000000u != 0;
    sql += finer ? QStringLiteral("CAST('") : QStringLiteral("'");
    appendDigits(sql, unsigned(t.year), 4);
    sql += u'-';
    appendDigits(sql, t.month, 2);
    sql += u'-';
    appendDigits(sql, t.day, 2);
    sql += u'T';
    appendDigits(sql, t.hour, 2);
    sql += u':';
    appendDigits(sql, t.minute, 2);
    sql += u':';
    appendDigits(sql, t.second, 2);
    sql += u'.';
    if (finer) {
        appendDigits(sql, t.nanoseconds / 100u, 7);
        sql += QStringLiteral("' AS datetime2(7))");
    } else {
        appendDigits(sql, t.nanoseconds / 1000000u, 3);
        sql += u'\'';
    }
}

}  // namespace

void appendSqlLiteral(QString& sql, const ParamValue& value)
{
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        sql += QString::number(*integer);
    } else if (const auto* text = std::get_if<QString>(&value)) {
        appendText(sql, *text);
    } else if (const auto* amount = std::get_if<Amount>(&value)) {
        sql += amount->toText();
    } else if (const auto* moment = std::get_if<QDateTime>(&value)) {
        if (moment->isValid())
            appendTimestamp(sql, timestampOf(*moment));
        else
            sql += QStringLiteral("NULL");
    } else if (const auto* real = std::get_if<double>(&value)) {
        // An exponent makes it a float literal; 17 digits bring back the same double.
        sql += QString::number(*real, 'e', 16);
    } else if (const auto* bytes = std::get_if<QByteArray>(&value)) {
        sql += QStringLiteral("0x") + QString::fromLatin1(bytes->toHex());
    } else if (const auto* timestamp = std::get_if<Timestamp>(&value)) {
        appendTimestamp(sql, *timestamp);
    } else {
        sql += QStringLiteral("NULL");
    }
}

}  // namespace db
