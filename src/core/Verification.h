#pragma once

#include "core/Clock.h"
#include "core/Conversion.h"
#include "core/ConversionSink.h"

#include <QString>

namespace core {

inline const QString kVerificationDone = QStringLiteral("Verificação concluída: nada foi alterado.");

// A dry run: the whole conversion as runConversion makes it (the stocks when
// asked), inside one transaction that is rolled back at the end whatever
// happens. Logs, for each step, the source rows and the rows its destination
// tables would hold, and the stock document that would be written. The first
// failure ends it, logged with the source table it happened at; it never
// throws, and the connection is closed either way.
RunOutcome verifyConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                            bool stocks, ConversionSink& sink, const Clock& now = systemNow);

}  // namespace core
