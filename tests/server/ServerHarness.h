#pragma once

// Runs conversions against the SQL Server named by KOVARA_TEST_ODBC, the way
// the window's worker does: from two data link files on disk, through the
// tool's own reader and the real ODBC layer. Setup and checks go through a
// separate plain ODBC session.

#include "FixtureSchema.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/common/Clock.h"

#include <QDateTime>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace harness {

inline constexpr char kSkipReason[] =
    "KOVARA_TEST_ODBC is not set: these tests need a SQL Server login that may create and drop databases, e.g. "
    "KOVARA_TEST_ODBC='DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=1433;UID=sa;PWD=...;TDS_Version=7.4'";

// Stands for a progress step among the log lines of a run.
inline const QString kStep = QStringLiteral("<passo>");

// A clock that starts at start and moves one second at each reading, so every
// time the run writes can be predicted.
core::Clock steppingClock(const QDateTime& start);

// "yyyy-MM-dd hh:mm:ss.zzz", as the server writes a datetime in style 121.
QString sqlText(const QDateTime& t);

class ServerHarness {
public:
    ServerHarness();
    ~ServerHarness();

    // Connects the setup session; false when the variable is unset.
    bool connect();
    // The same, for a server of the test's own.
    void connect(const QString& odbc);

    const server::ServerSettings& settings() const { return *m_settings; }
    server::SqlSession& admin() { return *m_admin; }
    const server::Engine& engine() const { return m_admin->engine(); }

    // A scratch source database with the variant's schema and rows.
    server::ScratchDatabase& source(const server::SourceVariant& variant,
                                    const QString& stem = QStringLiteral("kovara_src_"));
    // A scratch destination database with its schema and earlier rows.
    server::ScratchDatabase& destination(const QString& stem = QStringLiteral("kovara_dst_"), bool exactName = false);

    // One run as the tool makes it, from data link files naming the two
    // databases; its log lines, with kStep at each progress step. The
    // password is the one in KOVARA_TEST_ODBC unless one is given.
    QStringList run(const QString& sourceDatabase, const QString& destinationDatabase, bool stocks,
                    const core::Clock& clock, const std::optional<QString>& password = std::nullopt);
    // The same from two data link files already on disk; a dry run when asked.
    QStringList runFromFiles(const QString& origem, const QString& destino, bool stocks, const core::Clock& clock,
                             bool dryRun = false);

    // The two data link files of a run, written into folder as Windows writes
    // them: the paths of the source's and the destination's.
    std::pair<QString, QString> writeLinkFiles(const QString& folder, const QString& sourceDatabase,
                                               const QString& destinationDatabase,
                                               const std::optional<QString>& password = std::nullopt) const;

    // A whole destination table, every column as canonical text, joined by '|'.
    QStringList tableRows(const server::ScratchDatabase& db, const QString& table, const QString& orderBy);
    // The tables of steps first to last (1 to 8) hold the fixture source as it
    // converts for this variant; each mismatch is a test failure.
    void expectConverted(const server::ScratchDatabase& dst, const server::SourceVariant& variant, int first = 1,
                         int last = 8);
    // Every destination table, the documents among them, row by row.
    QStringList everyRow(const server::ScratchDatabase& dst);
    // The result of a check query, rows joined by '|'.
    QStringList rows(const QString& sql) { return m_admin->rows(sql); }

    const server::FixtureSchema& destinationSchema() const { return m_destinationSchema; }

    // An init string as the Windows data link dialog writes it, for this server.
    QString initString(const QString& database, const QString& password) const;

private:
    std::optional<server::ServerSettings> m_settings;
    server::FixtureSchema m_destinationSchema;
    std::unique_ptr<server::SqlSession> m_admin;
    // Declared after the session they are dropped through, so they go first.
    std::vector<std::unique_ptr<server::ScratchDatabase>> m_databases;
};

}  // namespace harness
