#pragma once

#include <QString>

namespace core {

// The questions asked before a run, in this order, by every way into it.
inline const QString kAskConvert = QStringLiteral(
    "Deseja fazer a conversão? Isto irá remover os registos actualmente existentes na base de dados de destino!");
inline const QString kAskStocks = QStringLiteral("Deseja converter também as existencias?");

}  // namespace core
