// Any bytes as the content of a data link file.
#include "core/DataLinkFile.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString init = core::initStringFromBytes(bytes);
    if (init.size() > 2047)
        std::abort();
    return 0;
}
