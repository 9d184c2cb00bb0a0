#pragma once

#include "core/links/InitStringItems.h"

#include <QString>

namespace core {

// What the data link editor shows of an init string: the link as a run reads it.
Link settingsOf(const InitStringItems& items);

// What the editor's "Cifrar a ligação" makes of the encryption the file was
// read with: unchanged, the file's own (a Strict file stays Strict);
// changed, Mandatory or Optional.
LinkEncryption chosenEncryption(const Link& read, bool encrypt);

// The items with the settings put in (the server, the login, the database,
// the encryption and the certificate choices); the provider and every other
// item stay as they were, in their order, and so does an item whose value
// the settings do not change. An empty setting leaves no item. A password
// not to be kept leaves no password under any of its names, nor in the ODBC
// string of Extended Properties. Encryption is written in the provider's
// words: Mandatory and Optional for the OLE DB Driver, True and False for the
// others.
InitStringItems withSettings(InitStringItems items, const Link& settings);

// Why the login (server, user, password) cannot be written into an init
// string and read back as it is, in words for the user; empty when it can.
QString loginProblem(const Link& settings);
// The same for everything that goes into the file, the database included.
QString settingsProblem(const InitStringItems& items, const Link& settings);

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
bool saveDataLink(const QString& path, const DataLinkDocument& document, const Link& settings,
                  QString* error = nullptr);

}  // namespace core
