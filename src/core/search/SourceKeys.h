#pragma once

#include "core/common/SqlNames.h"
#include "core/search/RowSearch.h"
#include "core/steps/SourceStatement.h"
#include "db/Query.h"

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace core {

// The source column a step's rows are searched by, and named by.
inline const QString kSearchKey = QStringLiteral("codigo");

using Value = std::optional<QString>;

// A source table's keys in the server's own order, a NULL key, if any,
// first, and how a set of them is written as a condition on the rows.
class SourceKeys {
public:
    // Asks the source through q.
    SourceKeys(const SourceStatement& statement, const DatabaseNames& names, db::Query& q);

    int size() const { return int(m_values.size()); }
    const Value& operator[](int position) const { return m_values[std::size_t(position)]; }
    // Where a key read as text (the driver's text, as the keys were read) stands; -1 when nowhere.
    int positionOf(const Value& key) const;
    // The key as the lines name it.
    QString text(int position) const;

    // "(codigo BETWEEN 1 AND 40 OR codigo = 52)", with each key written as
    // a literal of its own; "1 = 0" for none.
    QString condition(const KeySet& set) const;

private:
    QString literal(int position) const;

    std::vector<Value> m_values;
    // Text keys are written as text, so that the server never turns the
    // column into numbers (where "A1" fails every try) nor takes "007" for "7".
    bool m_numeric = false;
    QHash<QString, int> m_positions;
};

KeySet setOf(const Culprit& culprit);

}  // namespace core
