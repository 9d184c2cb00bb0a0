#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace db {

// A result fetched whole to the client. Every value is kept as the driver's
// text for it (std::nullopt for NULL); the readers convert on demand.
struct ResultSet {
    using Row = std::vector<std::optional<QString>>;

    QStringList columns;
    std::vector<Row> rows;

    // Index of the column with that name, compared without regard to case; -1 if none.
    int columnIndex(const QString& name) const;
};

}  // namespace db
