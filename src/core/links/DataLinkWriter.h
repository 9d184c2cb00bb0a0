#pragma once

#include <QByteArray>
#include <QString>

namespace core {

// A data link file as Windows writes it, UTF-16 LE with a byte-order mark:
// the kept text with the init string put in (see withInitString), or, for
// none, the section line, the comment line and one Provider line.
QByteArray dataLinkFileBytes(const QString& initString, const QString& keptText = QString());

// Writes the file whole or not at all: a temporary file beside it, readable
// by its owner only since it holds a password, then renamed over it. On
// failure the file is left as it was and error, if given, says why.
bool writeDataLinkFile(const QString& path, const QString& initString, const QString& keptText,
                       QString* error = nullptr);

}  // namespace core
