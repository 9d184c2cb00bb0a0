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
// closing parenthesis or line break. Quoted text ('...'), quoted and
// bracketed identifiers ("..." and [...], so a database named "loja:2" or
// "d'Ana"), comments (-- and /* */) and a colon with no name after it are
// left alone.
NamedStatement parseNamedParameters(const QString& sql);

}  // namespace db
