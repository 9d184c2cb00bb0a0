#pragma once

#include "SqlSession.h"

#include <QString>

namespace server {

// A T-SQL bracketed identifier: "[" + name with every "]" doubled + "]".
QString bracketed(const QString& name);

// A database created for one test or benchmark and dropped when the guard
// goes, whatever happened in between, so a failed run leaves nothing behind
// on the server. The name is the stem and a random suffix, or exactly the
// name given when another server's scratch database must be matched.
class ScratchDatabase {
public:
    ScratchDatabase(SqlSession& admin, const QString& stem, bool exactName = false);
    ~ScratchDatabase();

    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const QString& name() const { return m_name; }
    // "[name].dbo.table"
    QString table(const QString& table) const;

    // Runs a batch or a fixture script inside this database.
    void execute(const QString& sql);
    void runScript(const QString& fileName);
    void runScripts(const QStringList& fileNames);

private:
    void drop();

    SqlSession& m_admin;
    QString m_name;
};

// Writes a data link file as Windows does: UTF-16 LE with a byte-order mark.
void writeDataLinkFile(const QString& path, const QString& initString);

}  // namespace server
