#include "core/links/LinkSettings.h"

#include "core/links/DataLinkFile.h"
#include "core/links/DataLinkWriter.h"
#include "core/links/InitString.h"

#include <algorithm>
#include <utility>

namespace core {

namespace {

constexpr QStringView kDataSource = u"Data Source";
constexpr QStringView kUserId = u"User ID";
constexpr QStringView kPassword = u"Password";
constexpr QStringView kPersistSecurityInfo = u"Persist Security Info";
constexpr QStringView kInitialCatalog = u"Initial Catalog";
constexpr QStringView kIntegratedSecurity = u"Integrated Security";

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

LinkSettings settingsOf(const InitStringItems& items)
{
    // As the conversion reads them.
    const SourceParameters source = parseSourceInit(items.toString());
    LinkSettings settings;
    settings.server = source.server;
    settings.user = source.user;
    settings.password = source.password;
    settings.database = source.database;
    settings.windowsLogin = source.windowsLogin;
    settings.odbcDataSource = source.odbcDataSource;
    if (items.contains(kPersistSecurityInfo)) {
        const QString persist = items.value(kPersistSecurityInfo).trimmed();
        settings.persistPassword = !(persist.compare(u"False", Qt::CaseInsensitive) == 0 ||
                                     persist.compare(u"No", Qt::CaseInsensitive) == 0 || persist == u"0");
    }
    return settings;
}

InitStringItems withSettings(InitStringItems items, const LinkSettings& settings)
{
    // For a new link this is the order Windows writes them in.
    if (settings.windowsLogin) {
        items.set(kIntegratedSecurity, QStringLiteral("SSPI"));
    } else if (parseSourceInit(items.toString()).windowsLogin) {
        items.removeKeys({kIntegratedSecurity});
    }
    const bool keepPassword = settings.persistPassword && !settings.windowsLogin;
    items.set(kPassword, keepPassword ? settings.password : QString());
    // Windows' providers take the key in any case, some take Pwd too: an item
    // the editor does not show would still keep the password in the file.
    if (!keepPassword)
        items.removeKeys({u"Password", u"Pwd"});
    items.set(kPersistSecurityInfo, keepPassword ? QStringLiteral("True") : QStringLiteral("False"));
    items.set(kUserId, settings.windowsLogin ? QString() : settings.user);
    items.set(kInitialCatalog, settings.database);
    items.set(kDataSource, settings.server);
    items.quoteOpenValues();
    return items;
}

QString loginProblem(const LinkSettings& settings)
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

QString settingsProblem(const InitStringItems& items, const LinkSettings& settings)
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
    const SourceParameters source = parseSourceInit(init);
    const bool windows = settings.windowsLogin;
    const bool readsBack = initStringFromBytes(dataLinkFileBytes(init)) == init && source.server == settings.server &&
                           source.windowsLogin == windows && source.user == (windows ? QString() : settings.user) &&
                           source.password == (settings.persistPassword && !windows ? settings.password : QString()) &&
                           source.database == settings.database && parseDestinationDatabase(init) == settings.database;
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

bool saveDataLink(const QString& path, const DataLinkDocument& document, const LinkSettings& settings, QString* error)
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
