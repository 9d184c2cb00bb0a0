#include "core/links/DataLinkFile.h"

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

// The lines of a text, without their ends: "\r\n", "\r" and "\n" each end one.
QList<QStringView> linesOf(QStringView all)
{
    QList<QStringView> lines;
    qsizetype lineStart = 0;
    while (lineStart < all.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < all.size() && all[lineEnd] != u'\n' && all[lineEnd] != u'\r')
            ++lineEnd;
        lines.append(all.mid(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (lineEnd + 1 < all.size() && all[lineEnd] == u'\r' && all[lineEnd + 1] == u'\n')
            ++lineStart;
    }
    return lines;
}

// Where the profile reader finds the init string: the line of the first
// section named oledb, and the first Provider line in that section; -1 for
// either when there is none.
struct ProviderLine {
    qsizetype section = -1;
    qsizetype provider = -1;
};

ProviderLine findProviderLine(const QList<QStringView>& lines)
{
    ProviderLine found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i].trimmed();
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            // Only the first section of that name is looked at, as the profile reader does.
            if (found.section >= 0)
                break;
            const qsizetype close = line.indexOf(u']');
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            if (name.compare(u"oledb", Qt::CaseInsensitive) == 0)
                found.section = i;
            continue;
        }
        if (found.section < 0)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && line.left(equals).trimmed().compare(u"Provider", Qt::CaseInsensitive) == 0) {
            found.provider = i;
            break;
        }
    }
    return found;
}

// The whole value of a Provider line, before the reader's buffer cuts it.
QString providerValue(QStringView line)
{
    line = line.trimmed();
    return unquote(line.mid(line.indexOf(u'=') + 1).trimmed()).toString();
}

}  // namespace

QString initStringFromBytes(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    const QList<QStringView> lines = linesOf(text);
    const ProviderLine found = findProviderLine(lines);
    if (found.provider < 0)
        return {};
    return providerValue(lines[found.provider]).left(kMaxValueLength);
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

DataLinkText readDataLinkText(const QString& path)
{
    DataLinkText read;
    const QFileInfo info(path);
    if (!info.exists())
        return read;
    if (!info.isFile()) {
        read.problem = QStringLiteral("%1 não é um ficheiro.").arg(path);
        return read;
    }
    if (info.size() > kMaxBytesRead) {
        read.problem = QStringLiteral("O ficheiro %1 é demasiado grande para ser um ficheiro de ligação.").arg(path);
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.problem = QStringLiteral("Não foi possível ler o ficheiro %1: %2").arg(path, file.errorString());
        return read;
    }
    read.text = decode(file.read(kMaxBytesRead));
    const QList<QStringView> lines = linesOf(read.text);
    const ProviderLine found = findProviderLine(lines);
    read.hasSection = found.section >= 0;
    if (found.provider >= 0)
        read.initString = providerValue(lines[found.provider]);
    if (read.initString.size() > kMaxValueLength)
        read.problem = QStringLiteral("A ligação do ficheiro %1 tem %2 caracteres, mais do que os %3 que um ficheiro "
                                      "de ligação pode ter: aberta aqui, ficaria cortada.")
                           .arg(path)
                           .arg(read.initString.size())
                           .arg(kMaxValueLength);
    return read;
}

QString withInitString(const QString& text, const QString& initString)
{
    const QString providerLine = QStringLiteral("Provider=") + initString;
    const QList<QStringView> lines = linesOf(text);
    const ProviderLine found = findProviderLine(lines);
    if (found.section < 0)
        return QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n") + providerLine +
               QStringLiteral("\r\n");

    QString written;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        written += i == found.provider ? QStringView(providerLine) : lines[i];
        written += QStringLiteral("\r\n");
        if (i == found.section && found.provider < 0)
            written += providerLine + QStringLiteral("\r\n");
    }
    return written;
}

}  // namespace core
