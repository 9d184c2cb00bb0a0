#pragma once

#include <QString>

namespace core {

// The init string of a data link file: the value of key "Provider" in section
// "oledb", read the way Windows reads a profile value into a 2048-character
// buffer. Never fails: a missing file, section or key gives an empty string.
QString readInitString(const QString& path);

// The same, from the file's bytes.
QString initStringFromBytes(const QByteArray& bytes);

// A data link file read whole for editing, so that saving it changes only the
// line the init string is read from.
struct DataLinkText {
    QString text;             // empty for a missing file
    bool hasSection = false;  // whether it has the oledb section, where the init string goes
    QString initString;       // whole, as no buffer cuts it
    QString problem;          // why it cannot be edited without losing part of it; empty when it can
};
DataLinkText readDataLinkText(const QString& path);

// The text with the init string put in, every other line kept, and Windows
// line ends. A text without the oledb section becomes the file Windows writes,
// and nothing of it is kept.
QString withInitString(const QString& text, const QString& initString);

}  // namespace core
