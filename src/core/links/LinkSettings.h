#pragma once

#include "core/links/InitStringItems.h"

#include <QString>

namespace core {

// What the data link editor shows of an init string.
struct LinkSettings {
    QString server;    // Data Source
    QString user;      // User ID
    QString password;  // Password
    bool persistPassword = true;  // Persist Security Info; without it the password is not saved
    QString database;  // Initial Catalog
    bool windowsLogin = false;  // Integrated Security=SSPI: no user or password is written
    bool odbcDataSource = false;  // Provider=MSDASQL: the server is an ODBC data source's; never written
};

LinkSettings settingsOf(const InitStringItems& items);

// The items with the settings put in; the provider and every other item stay
// as they were, in their order. An empty setting leaves no item, and a
// password not to be kept leaves no password under any spelling of its key.
InitStringItems withSettings(InitStringItems items, const LinkSettings& settings);

// Why the login (server, user, password) cannot be written into an init
// string and read back as it is, in words for the user; empty when it can.
QString loginProblem(const LinkSettings& settings);
// The same for everything that goes into the file, the database included.
QString settingsProblem(const InitStringItems& items, const LinkSettings& settings);

// A data link file open in the editor.
struct DataLinkDocument {
    InitStringItems items;  // of its init string, or a new link's
    QString keptText;       // the whole file, kept on saving but for the init string
    bool foreign = false;   // text that is not a data link's: saving replaces all of it
    QString problem;        // why it cannot be edited without losing part of it; empty when it can
};

// The data link file at path, read in any encoding the conversion reads; a
// missing file is a new link.
DataLinkDocument loadDataLink(const QString& path);

// Writes the file with the settings put into the document's items. Nothing is
// written, and error says why, when a value would not read back as it is.
bool saveDataLink(const QString& path, const DataLinkDocument& document, const LinkSettings& settings,
                  QString* error = nullptr);

}  // namespace core
