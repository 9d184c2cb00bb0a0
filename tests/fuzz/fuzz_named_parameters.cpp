// Any text as a statement with ":name" parameters.
#include "db/NamedParameters.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const db::NamedStatement parsed = db::parseNamedParameters(sql);

    // Each parameter replaces at least ":x" by "?", so the text can only shrink,
    // and what is left over is the input with the names taken out.
    qsizetype removed = 0;
    for (const QString& name : parsed.names) {
        if (name.isEmpty())
            std::abort();
        removed += name.size();
    }
    if (parsed.text.size() + removed != sql.size())
        std::abort();
    if (parsed.text.count(u'?') < parsed.names.size())
        std::abort();
    return 0;
}
