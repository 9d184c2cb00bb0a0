#include "core/run/RunRequest.h"

#include "core/run/Verification.h"

namespace core {

RunOutcome runRequested(const Database& database, const RunRequest& request, ConversionSink& sink, const Clock& now)
{
    if (request.verifyOnly)
        return verifyConversion(database, request.source, request.destination, request.stocks, sink, now);
    return runConversion(database, request.source, request.destination, request.stocks, sink, now);
}

}  // namespace core
