#pragma once

#include "core/steps/CrossServerCopy.h"
#include "core/steps/TableSteps.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace core {

// A step's statement that copies one table into one destination table,
// made from the step's description of that copy:
// "INSERT INTO @destino.dbo.t (columns) (SELECT values FROM @origem.dbo.T)".
// The same statement can be narrowed to some of the source rows, and its
// values read as it would insert them.
struct SourceStatement {
    // With the values for a source table that has the step's probe column, or not.
    SourceStatement(const RowCopy& copy, bool probeFound);

    QString destinationTable;  // "produtos"
    QStringList columns;       // in the order the values come
    QStringList values;        // each column's, as the SELECT writes it: "codigo", "ISNULL(familia, 0)", "0"
    QString from;              // " FROM @origem.dbo.Produtos"
    QString select;            // "SELECT ... FROM @origem.dbo.Produtos": its values, column for column
    QString sourceTable;       // "Produtos"

    // The statement for every row.
    StepStatement insert() const;
    // The statement for the source rows where condition holds (every row when it is empty).
    StepStatement insertWhere(const QString& condition) const;

private:
    std::optional<SplitStatement> m_acrossServers;  // of every row; none when it reads no source
};

// The statements of a step, in the order it runs them: the deletes, its
// copies (chosen by whether the source table has the probe column), then its
// follow-ups.
std::vector<StepStatement> deletesOf(const TableStep& step);
std::vector<SourceStatement> insertsOf(const TableStep& step, bool probeFound);
std::vector<StepStatement> followUpsOf(const TableStep& step);

}  // namespace core
