#pragma once

#include "db/Amount.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <variant>

namespace db {

// A value bound to a statement parameter; monostate is SQL NULL.
using ParamValue = std::variant<std::monostate, std::int32_t, QString, Amount, QDateTime>;

}  // namespace db
