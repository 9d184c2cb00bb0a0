#pragma once

#include "core/common/RunFacts.h"
#include "core/common/SqlNames.h"
#include "core/search/DestinationRules.h"
#include "core/search/SourceKeys.h"
#include "core/steps/SourceStatement.h"
#include "db/Query.h"

#include <QList>
#include <QStringList>

namespace core {

// Names the rows of one source table that the destination refuses, and what
// is wrong with them.
class RowNamer {
public:
    // Reads the destination's rules for the statement's table through destination.
    RowNamer(const SourceStatement& statement, const SourceKeys& keys, const DatabaseNames& names, db::Query& source,
             db::Query& destination);

    const TableRules& rules() const { return m_rules; }

    // A line for each value of culprit's rows that its destination column
    // does not take; none when the column rules show nothing wrong.
    QStringList columnLines(const Culprit& culprit);
    // Keeps as a fact that culprit's rows break rule, in a technician's words
    // or the server's; column is empty when only the server's words tell.
    void named(const Culprit& culprit, const QString& rule, const QString& column = {});

    // "Produtos, código 104"; "codigosbarras, códigos 102 e 104"
    QString label(const Culprit& culprit) const;
    // The rows named since last asked, as facts.
    QList<BadRowFacts> takeNamed() { return std::exchange(m_named, {}); }

private:
    using Row = std::vector<Value>;

    QString codes(const Culprit& culprit) const;
    QString label(int position, const Row& row) const;
    std::vector<std::pair<int, Row>> read(const Culprit& culprit);

    const SourceStatement& m_statement;
    const SourceKeys& m_keys;
    const DatabaseNames& m_names;
    db::Query& m_source;
    TableRules m_rules;
    QStringList m_columns;
    QList<BadRowFacts> m_named;
};

}  // namespace core
