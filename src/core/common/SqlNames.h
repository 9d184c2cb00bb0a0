#pragma once

#include <QString>

namespace core {

// The two database names a run works between.
struct DatabaseNames {
    QString source;
    QString destination;
};

// A database name as a T-SQL bracketed identifier: "[" + name with every "]"
// doubled + "]". Whatever the data link file holds, it stays one identifier.
QString quotedName(const QString& name);

// A text as a T-SQL literal: N'...' with every quote doubled.
QString textLiteral(const QString& text);

// Replaces every "@destino" by the quoted destination name and every "@origem"
// by the quoted source name, in one left-to-right pass that never looks again
// at text it has put in.
QString substituteNames(const QString& statement, const DatabaseNames& names);

// A statement that reads rows where a condition holds: the names put into
// statement first, then " WHERE " and the condition (none when it is empty),
// whose values, from the data, are thus never taken for a name.
QString substituteNames(const QString& statement, const DatabaseNames& names, const QString& condition);

}  // namespace core
