#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace db {

// Files that hold passwords, servers, databases, customers' codes and the
// server's words: readable by their owner only, whatever the umask. On POSIX
// folders are 0700 and files 0600; on Windows both get the access list of the
// files in a user's own profile (the owner, the accounts that run and
// administer the machine), none of the grants above them inherited. A file
// system without owners (a FAT memory stick) refuses, and the file is still
// written there.

// Makes the folder, with those above it when missing, and narrows it to its
// owner, also when it was already there. False when it could not be made.
bool makePrivateFolder(const QString& path);

// Narrows an open file to its owner, also one that was already there: before
// anything private is written into it.
void makePrivate(QFileDevice& file);

// Writes bytes as the file at path, whole or not at all: a private temporary
// file beside it, renamed over it only once every byte reached the disk. On
// failure the file at path is left as it was and error, if given, says why.
bool writePrivateFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace db
