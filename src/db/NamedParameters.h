#pragma once

#include <QString>
#include <QStringList>

namespace db {

// A statement whose ":name" parameters have been turned into positional '?'
// markers. names holds one entry per marker, in order, as written.
struct NamedStatement {
    QString text;
    QStringList names;
};

// A name runs from after the colon up to the next space, comma, semicolon,
// closing parenthesis or line break. Text inside single quotes is left alone,
// and so is a colon with no name after it.
NamedStatement parseNamedParameters(const QString& sql);

}  // namespace db
