#pragma once

#include <QString>

namespace server {

class SqlSession;

// The server the suite runs against. The suite is written for SQL Server;
// the ways the SQL Server-compatible test engine (Babelfish, T-SQL on
// PostgreSQL) is known to differ are named here, and nowhere else:
//
//  1. ALTER DATABASE ... SET SINGLE_USER is refused: a scratch database is
//     dropped plainly, once the sessions of the run under test are closed.
//  2. "]]" inside a bracketed identifier is refused, so no database name can
//     hold a "]".
//  3. Error texts differ: relation "db_dbo.t" does not exist, column "c" does
//     not exist, Login failed for user "u" (double quotes).
//  4. CONVERT(varchar, money, 2) rounds to two decimals, and binary converted
//     to text comes back as raw bytes: the kit reads every value as its own
//     type (see SqlSession) and never asks the server for text.
//  5. An error such as a missing column ends the open transaction on the
//     server, so the rollback that follows finds none: the conversion tells
//     from its own transaction mark that the server undid it.
//  6. One ALTER TABLE adds or drops one column, and DDL through a three-part
//     name is refused: the fixture scripts are written that way for both.
//  7. A database name with non-ASCII letters breaks the TDS stream on USE:
//     no test names a database so.
//  8. CREATE or DROP DATABASE while another session does the same may fail
//     with "tuple concurrently updated": scratch databases retry it.
//  9. sys.indexes shows a filtered unique index as unfiltered (has_filter 0,
//     no filter_definition), though the filter holds: no case relies on the
//     catalog telling a filter there.
class Engine {
public:
    enum class Kind { SqlServer, Babelfish };

    static Engine detect(SqlSession& session);
    explicit Engine(Kind kind = Kind::SqlServer) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    QString name() const;

    bool allowsSingleUser() const { return m_kind == Kind::SqlServer; }
    bool allowsBracketInNames() const { return m_kind == Kind::SqlServer; }
    bool showsIndexFilters() const { return m_kind == Kind::SqlServer; }
    // Whether a failed CREATE or DROP DATABASE only met another session's at the same time.
    bool isConcurrentCatalogUpdate(const QString& error) const;

    // The server's own words, as the conversion logs them (trailing full stop removed).
    QString invalidObjectName(const QString& database, const QString& table) const;
    QString invalidColumnName(const QString& column) const;
    QString loginFailed(const QString& user) const;

private:
    Kind m_kind;
};

}  // namespace server
