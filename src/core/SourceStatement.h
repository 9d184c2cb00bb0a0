#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace core {

// A step's statement that copies one source table into one destination table:
// "INSERT INTO @destino.dbo.t (columns) (SELECT values FROM @origem.dbo.T)".
// The same statement can be narrowed to some of the source rows, and its
// values read as it would insert them.
struct SourceStatement {
    QString destinationTable;  // "produtos"
    QStringList columns;       // in the order the values come
    QString select;            // "SELECT ... FROM @origem.dbo.Produtos"
    QString sourceTable;       // "Produtos"

    // Nothing when the statement is not of that shape.
    static std::optional<SourceStatement> parse(const QString& statement);

    // The statement for the source rows where condition holds.
    QString insertWhere(const QString& condition) const;
    // Its values, column for column, for those rows.
    QString selectWhere(const QString& condition) const;
};

}  // namespace core
