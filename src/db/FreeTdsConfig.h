#pragma once

#include <QString>

namespace db {

// FreeTDS 1.3 checks a server's certificate only for a server named by a
// section of a freetds.conf, which it finds through FREETDSCONF: one
// variable for the whole process. So the program keeps a file of its own,
// named once at start, and later only rewrites its sections.
//
// Call once, at start, before any thread exists. From then on FREETDSCONF
// names path; a file it named before is copied in after the program's own
// sections each time they are written, so its sections still serve.
void useOwnFreeTdsConfig(const QString& path);

namespace odbc {

// The section that reaches one server encrypted, its certificate checked
// against caFile and the host's name.
struct FreeTdsSection {
    QString host;
    QString port;
    QString instance;
    QString caFile;

    // The same settings always give the same name, so two sessions, or two
    // programs, asking for one server share one section.
    QString name() const;
    QString text() const;
};

// Puts the section into the program's file, replacing the file whole, under
// a lock shared with other processes of the program. Raises DbError when no
// file was named at start, or it cannot be written.
void writeFreeTdsSection(const FreeTdsSection& section);

// The certificate authorities a server's certificate is checked against:
// the file SSL_CERT_FILE names, as for OpenSSL, else the system's bundle.
QString certificateAuthorities();

}  // namespace odbc

}  // namespace db
