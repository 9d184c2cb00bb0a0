#include "core/common/ArrayStrUtils.h"

TDynStringArray Split(const QString& Delimiter, const QString& Text, int MaxCount)
{
    TDynStringArray result;
    if (Text.isEmpty() || MaxCount < 0)
        return result;
    if (Delimiter.isEmpty()) {
        result.append(Text);
        return result;
    }

    // The text ends at its first NUL, as a C string would.
    const qsizetype nul = Text.indexOf(QChar(u'\0'));
    const QStringView text = QStringView(Text).left(nul < 0 ? Text.size() : nul);
    const qsizetype length = text.size();

    qsizetype position = 0;
    while (position < length) {
        const qsizetype found = text.indexOf(Delimiter, position);
        const bool lastAllowed = MaxCount > 0 && result.size() == MaxCount - 1;
        const qsizetype end = (found < 0 || lastAllowed) ? length : found;
        result.append(text.mid(position, end - position).toString());
        if (text.mid(end) == Delimiter)
            result.append(QString());
        position = std::min(end + Delimiter.size(), length);
    }
    return result;
}
