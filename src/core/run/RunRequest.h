#pragma once

#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/links/Link.h"
#include "core/run/Conversion.h"

#include <QString>

namespace core {

// One run as asked for, from either way in.
struct RunRequest {
    Link source;
    Link destination;
    bool stocks = false;
    bool verifyOnly = false;  // a dry run that changes nothing
};

// The conversion, or the dry run, the request asks for.
RunOutcome runRequested(const Database& database, const RunRequest& request, ConversionSink& sink,
                        const Clock& now = systemNow);

}  // namespace core
