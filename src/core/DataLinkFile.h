#pragma once

#include <QString>

namespace core {

// The init string of a data link file: the value of key "Provider" in section
// "oledb", read the way Windows reads a profile value into a 2048-character
// buffer. Never fails: a missing file, section or key gives an empty string.
QString readInitString(const QString& path);

// The same, from the file's bytes.
QString initStringFromBytes(const QByteArray& bytes);

}  // namespace core
