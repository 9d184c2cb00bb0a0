#pragma once

// core/links: data link files and their init strings, read, written and
// checked, and the login they ask for. Uses core/common and src/db.

#include "core/links/Link.h"

#include <QList>
#include <QString>

namespace core {

// The texts a run is refused with before it starts.
inline const QString kMissingSourceLink = QStringLiteral("O ficheiro de ligação à base de dados de origem não existe!");
inline const QString kMissingDestinationLink =
    QStringLiteral("O ficheiro de ligação à base de dados de destino não existe!");
inline const QString kInvalidLink = QStringLiteral("Ficheiro de ligação à base de dados inválido!");
inline const QString kSameDatabase = QStringLiteral("A base de dados de destino não pode ser a mesma que a de origem!");

// The two links a run starts from, each read once from its file, or the
// reason it may not start.
struct LinkFiles {
    // One of the texts above, or the detail for what a file says that none
    // of them names; empty when the run may start.
    QString refusal;
    QString detail;   // the same, saying which file and what is wrong with it
    Link source;
    Link destination;

    bool accepted() const { return refusal.isEmpty(); }
};

// The checks every way into a run makes before it starts, in this order: the
// source file exists, the destination file exists, each can be read and holds
// an init string whose every item reads, naming a server, a database and a
// login (a user or Windows authentication, or for MSDASQL the data
// source's own), source first; and the two do not name the same database.
LinkFiles readLinkFiles(const QString& sourcePath, const QString& destinationPath);

// A login the run uses whose file keeps no password: the source's, and the
// destination's when it is on another server. Its password is asked for
// each run and kept nowhere.
struct PasswordWanted {
    bool source = true;
    QString user;
    QString server;
};

QList<PasswordWanted> passwordsWanted(const LinkFiles& links);

// The links with the password given for this run put in.
void givePassword(LinkFiles& links, const PasswordWanted& wanted, const QString& password);

// "O ficheiro de ligação à base de dados de origem não guarda a palavra-passe: <path>"
QString keepsNoPassword(const PasswordWanted& wanted, const QString& path);

// What the user is asked, one line: whose password, on which server.
QString passwordPrompt(const PasswordWanted& wanted);

}  // namespace core
