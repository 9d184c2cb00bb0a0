#include "core/links/LinkFiles.h"

#include "core/common/ServerIdentity.h"
#include "core/links/DataLinkFile.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace core {

namespace {

LinkFiles refused(const QString& reason, const QString& detail)
{
    return {reason, detail, {}, {}};
}

// Refused for what the file says, which no general text names.
LinkFiles refused(const QString& detail)
{
    return refused(detail, detail);
}

// Which file, in the words of the refusal texts.
QString role(bool source)
{
    return source ? QStringLiteral("de origem") : QStringLiteral("de destino");
}

// Why the file at path cannot be a data link file at all; empty when it can be read.
std::optional<LinkFiles> unusable(const QString& path, bool source)
{
    const QFileInfo info(path);
    const QString missing = source ? kMissingSourceLink : kMissingDestinationLink;
    if (info.isDir())
        return refused(missing, QStringLiteral("O ficheiro de ligação à base de dados %1 é uma pasta: %2")
                                    .arg(role(source), path));
    if (!info.isFile())
        return refused(missing, QStringLiteral("O ficheiro de ligação à base de dados %1 não existe: %2")
                                    .arg(role(source), path));
    return std::nullopt;
}

// The link of the file at path, or why it cannot be used.
std::optional<LinkFiles> invalid(const QString& path, bool source, Link& link)
{
    const auto invalidBecause = [&](const QString& why) {
        return refused(kInvalidLink, QStringLiteral("Ficheiro de ligação à base de dados %1 inválido (%2): %3")
                                         .arg(role(source), why, path));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return invalidBecause(QStringLiteral("não pode ser lido: %1").arg(file.errorString()));
    file.close();

    const QString init = readInitString(path);
    if (init.isEmpty())
        return invalidBecause(QStringLiteral("não tem a linha \"Provider=\" na secção [oledb]"));
    link = readLink(init, path);
    if (!link.problem.isEmpty())
        return refused(QStringLiteral("Ficheiro de ligação à base de dados %1 inválido (%2): %3")
                           .arg(role(source), link.problem, path));
    // Without a database the statements would name tables like ".dbo.clientes",
    // which the server takes from master; without a server nothing can be reached.
    if (link.server.trimmed().isEmpty())
        return invalidBecause(QStringLiteral("falta \"Data Source\", o servidor"));
    if (link.database.trimmed().isEmpty())
        return invalidBecause(QStringLiteral("falta \"Initial Catalog\", a base de dados"));
    // Windows would try a login with nobody, which the server refuses with
    // words that do not say why.
    if (link.login == LinkLogin::SqlServer && link.user.isEmpty())
        return refused(QStringLiteral("O ficheiro de ligação à base de dados %1 não diz com que utilizador entrar: "
                                      "falta \"User ID\", ou \"Integrated Security=SSPI\" para a autenticação do "
                                      "Windows: %2")
                           .arg(role(source), path));
    return std::nullopt;
}

}  // namespace

LinkFiles readLinkFiles(const QString& sourcePath, const QString& destinationPath)
{
    if (auto refusal = unusable(sourcePath, true))
        return *refusal;
    if (auto refusal = unusable(destinationPath, false))
        return *refusal;

    Link source;
    if (auto refusal = invalid(sourcePath, true, source))
        return *refusal;
    Link destination;
    if (auto refusal = invalid(destinationPath, false, destination))
        return *refusal;

    // Converting a database into itself would empty every table the conversion reads.
    if (source.database.compare(destination.database, Qt::CaseInsensitive) == 0)
        return refused(kSameDatabase, kSameDatabase);

    return {{}, {}, source, destination};
}

QList<PasswordWanted> passwordsWanted(const LinkFiles& links)
{
    const Link& source = links.source;
    const Link& destination = links.destination;
    QList<PasswordWanted> wanted;
    if (needsPassword(source))
        wanted.append({true, source.user, source.server});
    if (!sameServerName(source.server, destination.server) && needsPassword(destination))
        wanted.append({false, destination.user, destination.server});
    return wanted;
}

void givePassword(LinkFiles& links, const PasswordWanted& wanted, const QString& password)
{
    Link& link = wanted.source ? links.source : links.destination;
    link.password = password;
    link.keepsPassword = true;
}

QString keepsNoPassword(const PasswordWanted& wanted, const QString& path)
{
    return QStringLiteral("O ficheiro de ligação à base de dados %1 não guarda a palavra-passe: %2")
        .arg(role(wanted.source), path);
}

QString passwordPrompt(const PasswordWanted& wanted)
{
    return QStringLiteral("Palavra-passe de «%1» em %2 (ligação %3):").arg(wanted.user, wanted.server, role(wanted.source));
}

}  // namespace core
