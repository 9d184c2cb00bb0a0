#pragma once

#include <QString>
#include <optional>

namespace core {

// A destination column's rule, as INFORMATION_SCHEMA.COLUMNS gives it.
struct ColumnRule {
    QString name;
    QString type;            // DATA_TYPE: "nvarchar", "int", "decimal", ...
    int maxLength = 0;       // CHARACTER_MAXIMUM_LENGTH; -1 for max, 0 when none
    int precision = 0;       // NUMERIC_PRECISION
    int scale = 0;           // NUMERIC_SCALE
    bool nullable = true;
};

// What is wrong with value (std::nullopt for NULL, otherwise the driver's
// text for it) going into the column, in a technician's words:
// "descricao tem 58 caracteres; no destino cabem 40". Nothing when the rule
// shows no fault; types the check does not know are taken as fine.
std::optional<QString> columnProblem(const ColumnRule& column, const std::optional<QString>& value);

}  // namespace core
