// Input: one byte of maximum count (signed), one byte of delimiter length, the
// delimiter, then the text, all as UTF-8.
#include "core/common/ArrayStrUtils.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int maxCount = static_cast<std::int8_t>(data[0]);
    const std::size_t delimiterLength = std::min<std::size_t>(data[1] % 8, size - 2);
    const QString delimiter = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(delimiterLength));
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2 + delimiterLength), qsizetype(size - 2 - delimiterLength));

    const TDynStringArray pieces = Split(delimiter, text, maxCount);

    if (text.isEmpty() || maxCount < 0) {
        if (!pieces.isEmpty())
            std::abort();
        return 0;
    }
    if (maxCount > 0 && pieces.size() > maxCount)
        std::abort();
    // The pieces joined again by the delimiter give back the text up to its first NUL.
    if (!delimiter.isEmpty() && !delimiter.contains(QChar(u'\0'))) {
        const qsizetype nul = text.indexOf(QChar(u'\0'));
        const QString scanned = nul < 0 ? text : text.left(nul);
        if (!scanned.isEmpty() && pieces.join(delimiter) != scanned)
            std::abort();
    }
    return 0;
}
