#pragma once

#include "db/ConnectionTarget.h"

#include <QString>
#include <QStringView>

namespace core {

// The items of an init string a link is made of, each under every name the
// Windows dialogs and the providers write it with.
enum class LinkItem {
    Server,                 // Data Source, Server
    User,                   // User ID, UID
    Password,               // Password, PWD
    Database,               // Initial Catalog, Database
    WindowsLogin,           // Integrated Security, Trusted_Connection
    PersistSecurityInfo,    // Persist Security Info
    Encryption,             // Use Encryption for Data, Encrypt
    TrustServerCertificate, // Trust Server Certificate, TrustServerCertificate
    HostNameInCertificate,  // Host Name In Certificate, HostNameInCertificate
};

// The name a new item of the kind is written with, as the dialogs write it.
QStringView itemName(LinkItem item);
// Whether the piece "key=value" has the key, blanks around it aside, in any case.
bool hasKey(QStringView piece, QStringView key);
// Whether the piece "key=value" is an item of the kind: its key, blanks
// around it aside, is one of the kind's names in any case, as Windows'
// providers match them.
bool isItem(QStringView piece, LinkItem item);
// What the piece holds after its '=', as OLE DB reads it: in quotes, what they hold.
QString pieceValue(QStringView piece);

// Which provider the file names, for what the editor writes.
enum class LinkProvider {
    SqlServer,       // SQLOLEDB, SQL Server Native Client: True/False
    OleDbDriver,     // Microsoft OLE DB Driver (MSOLEDBSQL): Mandatory/Optional/Strict
    OdbcDataSource,  // MSDASQL: the server is an ODBC data source's, named by Data Source
};

enum class LinkLogin {
    SqlServer,   // the file's user and password
    Windows,     // Integrated Security=SSPI or True, Trusted_Connection=yes
    DataSource,  // no user and no Windows authentication in an MSDASQL file: the data source's own login
};

// What "Use Encryption for Data" (or "Encrypt") asks.
enum class LinkEncryption {
    Unset,      // no item: as the program always connected
    Optional,   // False, No, Optional: likewise
    Mandatory,  // True, Yes, Mandatory: encrypted, or no connection
    Strict,     // encrypted before the login, the certificate always checked
};

// A data link read once: everything the run, the editor, the record and the
// report take from its init string. Items are read under any of their names
// in any case; for an item given twice the last one wins. A value without
// quotes of the server, the user or the password loses the blanks around
// it, as OLE DB takes it; in quotes, it is kept as it is. Made in memory
// (the editor's fields, a test), it takes designated initializers.
struct Link {
    QString path{};  // the file it was read from; empty for a link made in memory
    QString provider{};  // as the init string names it ("SQLOLEDB.1")
    LinkProvider providerKind = LinkProvider::SqlServer;
    QString server{};  // Data Source as written; for MSDASQL, the data source's name
    LinkLogin login = LinkLogin::SqlServer;
    QString user{};
    QString password{};
    bool keepsPassword = false;   // a Password item, even an empty one
    bool persistPassword = true;  // Persist Security Info; False, No or 0 keeps no password on saving
    QString database{};  // Initial Catalog
    LinkEncryption encryption = LinkEncryption::Unset;
    bool trustServerCertificate = false;
    QString hostNameInCertificate{};  // the name the certificate must carry, where it is not the server's
    // An item whose value cannot be read, in the words of a refusal
    // ("o item «Encrypt» vale «talvez»"); empty when every item reads.
    QString problem{};

    bool odbcDataSource() const { return providerKind == LinkProvider::OdbcDataSource; }
    bool asksEncryption() const
    {
        return encryption == LinkEncryption::Mandatory || encryption == LinkEncryption::Strict;
    }
};

// Reads an init string; never fails (see Link::problem).
Link readLink(const QString& initString, const QString& path = QString());

// The login that the choice of Windows authentication, the provider and the
// user make: for the editor, which has them in separate fields.
LinkLogin loginOf(bool windowsLogin, LinkProvider provider, const QString& user);

// Whether the run must ask for the login's password: a SQL Server login
// whose file keeps no password.
bool needsPassword(const Link& link);

// The first link with the encryption of the two that asks more, the other's
// certificate choices where only the other asks, and the certificate trusted
// only where both that ask trust it: what one session to a server must give
// when both files are served by it. Where the other's encryption is kept,
// so is its path, so that a refusal names the file that asked.
Link withStricterEncryption(Link login, const Link& other);

// Where the link's server is: the host, a named instance, a port.
// "(local)", "." and an empty host are this machine, reached at 127.0.0.1.
struct ServerAddress {
    QString host;
    QString instance;
    QString port;
    bool thisMachine = false;
};
ServerAddress serverAddress(const QString& server);

// The target the link's login reaches the catalog through, with the
// encryption the link asks for. The certificate must carry the name the
// file gives, or Host Name In Certificate; for this machine, its own name.
db::ConnectionTarget connectionTarget(const Link& link, const QString& catalog);

}  // namespace core
