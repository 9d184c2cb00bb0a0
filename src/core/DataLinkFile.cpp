#include "core/DataLinkFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringView>

namespace core {

namespace {

// A real data link file is well under a kilobyte; reading stops here so that a
// wrong or hostile file cannot take the memory with it.
constexpr qint64 kMaxBytesRead = 4 * 1024 * 1024;
// The profile reader fills a 2048-character buffer, terminator included.
constexpr qsizetype kMaxValueLength = 2047;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

QString decode(const QByteArray& bytes)
{
    const auto startsWith = [&](std::initializer_list<unsigned char> bom) {
        if (bytes.size() < qsizetype(bom.size()))
            return false;
        qsizetype i = 0;
        for (const unsigned char b : bom) {
            if (static_cast<unsigned char>(bytes[i++]) != b)
                return false;
        }
        return true;
    };

    if (startsWith({0xFF, 0xFE}))
        return QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless)(bytes.mid(2));
    if (startsWith({0xFE, 0xFF}))
        return QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless)(bytes.mid(2));
    if (startsWith({0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.mid(3));

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

// Drops one pair of matching single or double quotes around the whole value.
QStringView unquote(QStringView value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

}  // namespace

QString initStringFromBytes(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    const QStringView all(text);

    bool inSection = false;
    bool sectionSeen = false;
    qsizetype lineStart = 0;
    while (lineStart < all.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < all.size() && all[lineEnd] != u'\n' && all[lineEnd] != u'\r')
            ++lineEnd;
        const QStringView line = all.mid(lineStart, lineEnd - lineStart).trimmed();
        lineStart = lineEnd + 1;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            // Only the first section of that name is looked at, as the profile reader does.
            if (sectionSeen)
                break;
            const qsizetype close = line.indexOf(u']');
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(u"oledb", Qt::CaseInsensitive) == 0;
            if (inSection)
                sectionSeen = true;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (line.left(equals).trimmed().compare(u"Provider", Qt::CaseInsensitive) != 0)
            continue;
        const QStringView value = unquote(line.mid(equals + 1).trimmed());
        return value.left(kMaxValueLength).toString();
    }
    return {};
}

QString readInitString(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return initStringFromBytes(file.read(kMaxBytesRead));
}

}  // namespace core
