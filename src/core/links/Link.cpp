#include "core/links/Link.h"

#include "core/links/InitString.h"

#include <QSysInfo>
#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace core {

namespace {

// The name the dialogs write, and the one ODBC-style files or other providers use.
struct ItemNames {
    QStringView written;
    QStringView other;
};

// In the order of LinkItem.
constexpr ItemNames kNames[] = {
    {u"Data Source", u"Server"},
    {u"User ID", u"UID"},
    {u"Password", u"PWD"},
    {u"Initial Catalog", u"Database"},
    {u"Integrated Security", u"Trusted_Connection"},
    {u"Persist Security Info", {}},
    {u"Use Encryption for Data", u"Encrypt"},
    {u"Trust Server Certificate", u"TrustServerCertificate"},
    {u"Host Name In Certificate", u"HostNameInCertificate"},
};
static_assert(std::size(kNames) == std::size_t(LinkItem::HostNameInCertificate) + 1);

ItemNames namesOf(LinkItem item)
{
    return kNames[std::size_t(item)];
}

// A login value without quotes reaches the server without the blanks around
// it; one in quotes keeps them.
QString loginValue(QStringView piece)
{
    const QStringView raw = piece.mid(piece.indexOf(u'=') + 1).trimmed();
    const QString value = pieceValue(piece);
    if (raw.isEmpty() || !isQuote(raw.front()) || itemValue(raw) == raw)
        return value.trimmed();
    return value;
}

bool oneOf(QStringView value, std::initializer_list<QStringView> words)
{
    return std::any_of(words.begin(), words.end(),
                       [&](QStringView word) { return value.compare(word, Qt::CaseInsensitive) == 0; });
}

// A word an item's value may be, and what it means.
template <typename T>
struct Choice {
    QStringView word;
    T value;
};

// What the last item of the kind says, read by the given words, in any case;
// none for no item or an empty value. A value none of them reads leaves the
// problem, and none.
template <typename T>
T readChoice(const QStringList& pieces, LinkItem item, T none, std::initializer_list<Choice<T>> choices,
             QString& problem)
{
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it) {
        if (!isItem(*it, item))
            continue;
        const QString value = pieceValue(*it).trimmed();
        if (value.isEmpty())
            return none;
        for (const Choice<T>& choice : choices) {
            if (value.compare(choice.word, Qt::CaseInsensitive) == 0)
                return choice.value;
        }
        if (problem.isEmpty())
            problem = QStringLiteral("o item «%1» vale «%2», que não se entende")
                          .arg(QStringView(*it).left(it->indexOf(u'=')).trimmed().toString(), value);
        return none;
    }
    return none;
}

LinkProvider providerKindOf(QStringView provider)
{
    provider = provider.trimmed();
    if (provider.startsWith(u"MSDASQL", Qt::CaseInsensitive))
        return LinkProvider::OdbcDataSource;
    if (provider.startsWith(u"MSOLEDBSQL", Qt::CaseInsensitive))
        return LinkProvider::OleDbDriver;
    return LinkProvider::SqlServer;
}

int strength(LinkEncryption encryption)
{
    switch (encryption) {
    case LinkEncryption::Unset:
    case LinkEncryption::Optional:
        return 0;
    case LinkEncryption::Mandatory:
        return 1;
    case LinkEncryption::Strict:
        return 2;
    }
    return 0;
}

}  // namespace

QStringView itemName(LinkItem item)
{
    return namesOf(item).written;
}

bool hasKey(QStringView piece, QStringView key)
{
    const qsizetype equals = piece.indexOf(u'=');
    return equals >= 0 && piece.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

bool isItem(QStringView piece, LinkItem item)
{
    const ItemNames names = namesOf(item);
    return hasKey(piece, names.written) || (!names.other.isEmpty() && hasKey(piece, names.other));
}

QString pieceValue(QStringView piece)
{
    return itemValue(piece.mid(piece.indexOf(u'=') + 1));
}

Link readLink(const QString& initString, const QString& path)
{
    Link link;
    link.path = path;
    const QStringList pieces = initStringPieces(initString);
    if (!pieces.isEmpty())
        link.provider = pieces.first();
    link.providerKind = providerKindOf(link.provider);

    // The first piece names the provider; the items follow it.
    const QStringList items = pieces.mid(1);
    for (const QString& piece : items) {
        if (isItem(piece, LinkItem::Server)) {
            link.server = loginValue(piece);
        } else if (isItem(piece, LinkItem::User)) {
            link.user = loginValue(piece);
        } else if (isItem(piece, LinkItem::Password)) {
            link.password = loginValue(piece);
            link.keepsPassword = true;
        } else if (isItem(piece, LinkItem::Database)) {
            link.database = pieceValue(piece);
        } else if (isItem(piece, LinkItem::HostNameInCertificate)) {
            link.hostNameInCertificate = pieceValue(piece).trimmed();
        } else if (isItem(piece, LinkItem::PersistSecurityInfo)) {
            const QString persist = pieceValue(piece).trimmed();
            link.persistPassword = !oneOf(persist, {u"False", u"No", u"0"});
        }
    }

    const bool windows = readChoice<bool>(items, LinkItem::WindowsLogin, false,
                                          {{u"SSPI", true}, {u"True", true}, {u"Yes", true}, {u"False", false},
                                           {u"No", false}},
                                          link.problem);
    link.login = loginOf(windows, link.providerKind, link.user);
    link.encryption = readChoice<LinkEncryption>(
        items, LinkItem::Encryption, LinkEncryption::Unset,
        {{u"True", LinkEncryption::Mandatory}, {u"Yes", LinkEncryption::Mandatory},
         {u"Mandatory", LinkEncryption::Mandatory}, {u"False", LinkEncryption::Optional},
         {u"No", LinkEncryption::Optional}, {u"Optional", LinkEncryption::Optional},
         {u"Strict", LinkEncryption::Strict}},
        link.problem);
    link.trustServerCertificate = readChoice<bool>(items, LinkItem::TrustServerCertificate, false,
                                                   {{u"True", true}, {u"Yes", true}, {u"False", false}, {u"No", false}},
                                                   link.problem);
    return link;
}

LinkLogin loginOf(bool windowsLogin, LinkProvider provider, const QString& user)
{
    if (windowsLogin)
        return LinkLogin::Windows;
    if (user.isEmpty() && provider == LinkProvider::OdbcDataSource)
        return LinkLogin::DataSource;
    return LinkLogin::SqlServer;
}

bool needsPassword(const Link& link)
{
    return link.login == LinkLogin::SqlServer && !link.keepsPassword && !link.user.isEmpty();
}

Link withStricterEncryption(Link login, const Link& other)
{
    if (!other.asksEncryption())
        return login;
    if (!login.asksEncryption()) {
        login.trustServerCertificate = other.trustServerCertificate;
        login.hostNameInCertificate = other.hostNameInCertificate;
    } else {
        login.trustServerCertificate = login.trustServerCertificate && other.trustServerCertificate;
    }
    if (strength(other.encryption) > strength(login.encryption)) {
        login.encryption = other.encryption;
        // A refusal names the file that asked.
        login.path = other.path;
    }
    return login;
}

ServerAddress serverAddress(const QString& server)
{
    QString text = server.trimmed();
    // Shared memory: this machine, which TCP reaches too.
    for (const QLatin1String protocol : {QLatin1String("tcp:"), QLatin1String("lpc:")}) {
        if (text.startsWith(protocol, Qt::CaseInsensitive))
            text = text.mid(protocol.size()).trimmed();
    }
    ServerAddress address;
    const qsizetype comma = text.lastIndexOf(u',');
    if (comma >= 0) {
        address.port = text.mid(comma + 1).trimmed();
        text = text.left(comma).trimmed();
    }
    const qsizetype slash = text.indexOf(u'\\');
    if (slash >= 0) {
        address.instance = text.mid(slash + 1).trimmed();
        text = text.left(slash).trimmed();
    }
    address.thisMachine =
        text.isEmpty() || text == QLatin1String(".") || text.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0;
    address.host = address.thisMachine ? QStringLiteral("127.0.0.1") : text;
    return address;
}

db::ConnectionTarget connectionTarget(const Link& link, const QString& catalog)
{
    db::ConnectionTarget target;
    const ServerAddress address = serverAddress(link.server);
    if (link.odbcDataSource()) {
        target.dataSource = link.server.trimmed();
    } else {
        target.host = address.host;
        target.instance = address.instance;
        target.port = address.port;
    }
    switch (link.login) {
    case LinkLogin::SqlServer:
        target.login = db::Login::SqlServer;
        target.user = link.user;
        target.password = link.password;
        break;
    case LinkLogin::Windows:
        target.login = db::Login::Windows;
        break;
    case LinkLogin::DataSource:
        target.login = db::Login::DataSource;
        break;
    }
    target.database = catalog;
    if (link.asksEncryption()) {
        target.encryption =
            link.encryption == LinkEncryption::Strict ? db::Encryption::Strict : db::Encryption::Required;
        target.trustServerCertificate = link.trustServerCertificate;
        if (!link.hostNameInCertificate.isEmpty())
            target.certificateName = link.hostNameInCertificate;
        else if (address.thisMachine && !link.odbcDataSource())
            target.certificateName = QSysInfo::machineHostName();
    }
    return target;
}

}  // namespace core
