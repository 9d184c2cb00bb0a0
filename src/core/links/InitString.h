#pragma once

#include <QString>
#include <QStringList>

namespace core {

// The pieces between the ';' of an init string. A value that starts with a
// double or a single quote runs to the matching quote, the quote doubled
// standing for one, and keeps any ';' inside; a quote left open, or followed
// by more than blanks, is no quoting and the value ends at the next ';'.
QStringList initStringPieces(const QString& initString);

// The text after a key's '=' as OLE DB reads it: in quotes, what they hold;
// otherwise as it is.
QString itemValue(QStringView text);

// Whether c opens a quoted value: a double or a single quote.
bool isQuote(QChar c);

// The value as Windows writes it into an init string: in double quotes, any
// inside doubled, when it holds a ';' or a '"', starts with a '\'' or has
// blanks around it; otherwise as it is.
QString quotedValue(const QString& value);

// What a failed Windows authentication login is told with, after the
// driver's own words.
QString windowsLoginFailure(const QString& driverText);

}  // namespace core
