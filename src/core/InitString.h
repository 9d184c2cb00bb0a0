#pragma once

#include <QString>

namespace core {

// What a run takes from the source data link file's init string.
struct SourceParameters {
    QString password;
    QString user;
    QString server;
    QString database;
};

// Keys are matched exactly, case and spacing included; for a key given twice
// the last one wins. A missing key leaves its value empty.
SourceParameters parseSourceInit(const QString& initString);

// The first "Initial Catalog" of the destination init string; empty if none.
QString parseDestinationDatabase(const QString& initString);

// The string the run connects with: the source's login on the master catalog.
QString workingConnectionString(const SourceParameters& source);

// The same login on another catalog.
QString loginConnectionString(const SourceParameters& login, const QString& catalog);

}  // namespace core
