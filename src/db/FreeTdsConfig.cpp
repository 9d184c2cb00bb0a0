#include "db/FreeTdsConfig.h"

#include "db/DbError.h"
#include "db/PrivateFiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

namespace db {

namespace {

constexpr char kSectionPrefix[] = "kovara-";

struct OwnFile {
    std::mutex writing;
    QString path;
    QString before;  // the file FREETDSCONF named before the program's own
};

OwnFile& ownFile()
{
    static OwnFile file;
    return file;
}

QString readText(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The program's sections of the file, by name, each with its lines.
QMap<QString, QString> ownSections(const QString& text)
{
    QMap<QString, QString> sections;
    static const QRegularExpression header(QStringLiteral("^\\[(kovara-[0-9a-f]+)\\]$"),
                                           QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator found = header.globalMatch(text);
    while (found.hasNext()) {
        const QRegularExpressionMatch match = found.next();
        const qsizetype next = text.indexOf(QStringLiteral("\n["), match.capturedEnd());
        const qsizetype end = next < 0 ? text.size() : next + 1;
        sections.insert(match.captured(1), text.mid(match.capturedStart(), end - match.capturedStart()));
    }
    return sections;
}

}  // namespace

void useOwnFreeTdsConfig(const QString& path)
{
    OwnFile& file = ownFile();
    const std::lock_guard lock(file.writing);
    if (!file.path.isEmpty())
        return;
    const QString before = qEnvironmentVariable("FREETDSCONF");
    file.before = QFileInfo(before).absoluteFilePath() == QFileInfo(path).absoluteFilePath() ? QString() : before;
    file.path = path;
    qputenv("FREETDSCONF", QFile::encodeName(path));
}

namespace odbc {

QString FreeTdsSection::name() const
{
    const QByteArray digest = QCryptographicHash::hash(text().toUtf8(), QCryptographicHash::Sha256).toHex();
    return QLatin1String(kSectionPrefix) + QString::fromLatin1(digest.left(16));
}

QString FreeTdsSection::text() const
{
    // A named instance is found through the browser service only without a port.
    QString lines = QStringLiteral("\thost = %1\n").arg(host);
    if (!port.isEmpty())
        lines += QStringLiteral("\tport = %1\n").arg(port);
    else if (!instance.isEmpty())
        lines += QStringLiteral("\tinstance = %1\n").arg(instance);
    return lines + QStringLiteral("\ttds version = 7.4\n\tencryption = require\n\tca file = %1\n"
                                  "\tcheck certificate hostname = yes\n")
                       .arg(caFile);
}

void writeFreeTdsSection(const FreeTdsSection& section)
{
    OwnFile& file = ownFile();
    const std::lock_guard lock(file.writing);
    const auto failed = [&](const QString& why) {
        return DbError(QStringLiteral("Não foi possível preparar a verificação do certificado do servidor para o "
                                      "controlador FreeTDS: %1")
                           .arg(why));
    };
    if (file.path.isEmpty())
        throw failed(QStringLiteral("o programa não indicou o seu ficheiro de configuração ao arrancar"));
    // FreeTDS reads a line of up to 255 characters and ends a value at ';' or '#'.
    for (const QString& value : {section.host, section.port, section.instance, section.caFile}) {
        const bool plain = value.size() < 200 && std::none_of(value.cbegin(), value.cend(), [](QChar c) {
                               return c.unicode() < 0x20 || c == u';' || c == u'#' || c == u'[' || c == u']';
                           });
        if (!plain)
            throw failed(QStringLiteral("o valor «%1» não pode ser escrito na sua configuração").arg(value));
    }

    const QFileInfo info(file.path);
    if (!makePrivateFolder(info.absolutePath()))
        throw failed(QStringLiteral("não foi possível criar a pasta %1").arg(info.absolutePath()));
    // Other runs of the program write the same file.
    QLockFile crossProcess(file.path + QStringLiteral(".lock"));
    if (!crossProcess.tryLock(10000))
        throw failed(QStringLiteral("o ficheiro %1 está bloqueado").arg(file.path));

    const QString written = readText(file.path);
    QMap<QString, QString> sections = ownSections(written);
    const QString name = section.name();
    sections.insert(name, u'[' + name + QStringLiteral("]\n") + section.text());

    QString text = QStringLiteral("; Written by KovaraConverter: a section for each server it checks the certificate "
                                  "of.\n");
    for (const QString& lines : std::as_const(sections))
        text += lines;
    if (!file.before.isEmpty())
        text += QStringLiteral("\n; As in %1:\n").arg(file.before) + readText(file.before);

    // Every later connection to a server already there finds it as it was.
    if (text == written)
        return;
    // Replaced whole: a connection opening meanwhile reads the old file or the new one.
    QString error;
    if (!writePrivateFile(file.path, text.toUtf8(), &error))
        throw failed(error);
}

QString certificateAuthorities()
{
    const QString named = qEnvironmentVariable("SSL_CERT_FILE");
    if (!named.isEmpty())
        return named;
    for (const char* bundle : {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt",
                               "/etc/ssl/ca-bundle.pem", "/etc/ssl/cert.pem"}) {
        if (QFileInfo(QString::fromLatin1(bundle)).isFile())
            return QString::fromLatin1(bundle);
    }
    // FreeTDS then asks the TLS library for the system's own.
    return QStringLiteral("system");
}

}  // namespace odbc

}  // namespace db
