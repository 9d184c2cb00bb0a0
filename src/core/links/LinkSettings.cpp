#include "core/links/LinkSettings.h"

#include "core/links/DataLinkFile.h"
#include "core/links/DataLinkWriter.h"
#include "core/links/InitString.h"

#include <algorithm>
#include <utility>

namespace core {

namespace {

// As long as the profile reader's buffer lets an init string be.
constexpr qsizetype kMaxInitStringLength = 2047;

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// The file holds the init string on one line; anything else a value holds is
// quoted where it needs to be.
QString fieldProblem(const QString& label, const QString& value)
{
    if (std::any_of(value.cbegin(), value.cend(), isControl))
        return QStringLiteral("O campo «%1» não pode conter mudanças de linha nem outros caracteres de controlo.").arg(label);
    return {};
}

}  // namespace

Link settingsOf(const InitStringItems& items)
{
    return readLink(items.toString());
}

LinkEncryption chosenEncryption(const Link& read, bool encrypt)
{
    if (encrypt == read.asksEncryption())
        return read.encryption;
    return encrypt ? LinkEncryption::Mandatory : LinkEncryption::Optional;
}

InitStringItems withSettings(InitStringItems items, const Link& settings)
{
    const Link read = settingsOf(items);
    // An item that could not be read is written anew, whatever the settings say.
    const bool unreadable = !read.problem.isEmpty();
    const bool windows = settings.login == LinkLogin::Windows;
    // For a new link this is the order Windows writes them in.
    if (windows && (read.login != LinkLogin::Windows || unreadable))
        items.set(LinkItem::WindowsLogin, QStringLiteral("SSPI"));
    else if (!windows && (read.login == LinkLogin::Windows || unreadable))
        items.remove(LinkItem::WindowsLogin);

    const bool keepPassword = settings.persistPassword && !windows;
    if (!keepPassword) {
        // Windows' providers take every name of it, and MSDASQL passes the
        // ODBC string of Extended Properties on: a password anywhere would
        // still be in the file.
        items.remove(LinkItem::Password);
        items.removeExtendedPassword();
    } else if (settings.password != read.password || !read.keepsPassword) {
        items.set(LinkItem::Password, settings.password);
    }
    items.set(LinkItem::PersistSecurityInfo, keepPassword ? QStringLiteral("True") : QStringLiteral("False"));
    const QString user = windows ? QString() : settings.user;
    if (user != read.user)
        items.set(LinkItem::User, user);
    if (settings.database != read.database)
        items.set(LinkItem::Database, settings.database);
    if (settings.server != read.server)
        items.set(LinkItem::Server, settings.server);

    const bool driver19 = settings.providerKind == LinkProvider::OleDbDriver;
    if (settings.encryption != read.encryption || unreadable) {
        switch (settings.encryption) {
        case LinkEncryption::Unset:
            items.remove(LinkItem::Encryption);
            break;
        case LinkEncryption::Optional:
            items.set(LinkItem::Encryption, driver19 ? QStringLiteral("Optional") : QStringLiteral("False"));
            break;
        case LinkEncryption::Mandatory:
            items.set(LinkItem::Encryption, driver19 ? QStringLiteral("Mandatory") : QStringLiteral("True"));
            break;
        case LinkEncryption::Strict:
            items.set(LinkItem::Encryption, QStringLiteral("Strict"));
            break;
        }
    }
    if (settings.trustServerCertificate != read.trustServerCertificate || unreadable)
        items.set(LinkItem::TrustServerCertificate,
                  settings.trustServerCertificate ? QStringLiteral("True") : QStringLiteral("False"));
    items.quoteOpenValues();
    return items;
}

QString loginProblem(const Link& settings)
{
    for (const auto& [label, value] : {std::pair{QStringLiteral("Servidor"), settings.server},
                                       std::pair{QStringLiteral("Utilizador"), settings.user},
                                       std::pair{QStringLiteral("Palavra-passe"), settings.password}}) {
        const QString problem = fieldProblem(label, value);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QString settingsProblem(const InitStringItems& items, const Link& settings)
{
    QString problem = loginProblem(settings);
    if (problem.isEmpty())
        problem = fieldProblem(QStringLiteral("Base de dados"), settings.database);
    if (!problem.isEmpty())
        return problem;

    const QString init = withSettings(items, settings).toString();
    if (init.size() > kMaxInitStringLength)
        return QStringLiteral("A ligação é demasiado longa para um ficheiro de ligação: no máximo %1 caracteres ao todo.")
            .arg(kMaxInitStringLength);

    // Whatever else the kept items or the provider name do to the reading is
    // caught by reading it back.
    const Link read = readLink(init);
    const bool windows = settings.login == LinkLogin::Windows;
    const bool readsBack = initStringFromBytes(dataLinkFileBytes(init)) == init && read.problem.isEmpty() &&
                           read.server == settings.server && (read.login == LinkLogin::Windows) == windows &&
                           read.user == (windows ? QString() : settings.user) &&
                           read.password == (settings.persistPassword && !windows ? settings.password : QString()) &&
                           read.database == settings.database && read.encryption == settings.encryption &&
                           read.trustServerCertificate == settings.trustServerCertificate;
    if (!readsBack)
        return QStringLiteral("Com os outros itens deste ficheiro, estes valores não seriam lidos tal como estão escritos.");
    return {};
}

DataLinkDocument loadDataLink(const QString& path)
{
    const DataLinkText file = readDataLinkText(path);
    DataLinkDocument document;
    document.problem = file.problem;
    if (!file.problem.isEmpty())
        return document;
    document.items = InitStringItems::parse(file.initString);
    document.keptText = file.text;
    document.foreign = !file.hasSection && !file.text.trimmed().isEmpty();
    return document;
}

bool saveDataLink(const QString& path, const DataLinkDocument& document, const Link& settings, QString* error)
{
    QString problem = document.problem;
    if (problem.isEmpty())
        problem = settingsProblem(document.items, settings);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    return writeDataLinkFile(path, withSettings(document.items, settings).toString(), document.keptText, error);
}

}  // namespace core
