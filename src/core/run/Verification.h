#pragma once

#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/run/Conversion.h"

#include <QString>

namespace core {

inline const QString kVerificationDone = QStringLiteral("Verificação concluída: nada foi alterado.");

// A dry run: the whole conversion as runConversion makes it (the stocks when
// asked), inside one transaction that is rolled back at the end whatever
// happens. Logs, for each step, the source rows and the rows its destination
// tables would hold, and the stock document that would be written. A step
// that fails is logged with the rows it fails on, and the steps after it see
// its tables as they were; the last line names every table that failed. A
// failure of the connection ends it at once. It never throws, and the
// connection is closed either way.
RunOutcome verifyConversion(const Database& database, const Link& source, const Link& destination, bool stocks,
                            ConversionSink& sink, const Clock& now = systemNow);

}  // namespace core
