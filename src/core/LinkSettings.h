#pragma once

#include "core/InitStringItems.h"

#include <QString>

namespace core {

// What the data link editor shows of an init string.
struct LinkSettings {
    QString server;    // Data Source
    QString user;      // User ID
    QString password;  // Password
    bool persistPassword = true;  // Persist Security Info; without it the password is not saved
    QString database;  // Initial Catalog
};

LinkSettings settingsOf(const InitStringItems& items);

// The items with the settings put in; the provider and every other item stay
// as they were, in their order. An empty setting leaves no item.
InitStringItems withSettings(InitStringItems items, const LinkSettings& settings);

// Why the login (server, user, password) cannot be written into an init
// string and read back as it is, in words for the user; empty when it can.
QString loginProblem(const LinkSettings& settings);
// The same for everything that goes into the file, the database included.
QString settingsProblem(const InitStringItems& items, const LinkSettings& settings);

// The data link file at path, read in any encoding the conversion reads: its
// items, or a new link when the file is missing or holds none.
InitStringItems loadDataLink(const QString& path);

// Writes the file with the settings put into items. Nothing is written, and
// error says why, when a value would not read back as it is.
bool saveDataLink(const QString& path, const InitStringItems& items, const LinkSettings& settings,
                  QString* error = nullptr);

}  // namespace core
