#pragma once

#include "Engine.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace server {

// A failure of the setup or check connection, with every diagnostic record
// the driver gave, SQLSTATEs included, so a broken fixture is easy to find.
class OdbcFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Table {
    QStringList columns;
    std::vector<std::vector<std::optional<QString>>> rows;
};

// A plain ODBC connection for setting up and checking scratch databases. It
// deliberately shares nothing with the layer under test, so a fault there
// cannot hide itself in the checks. Autocommit is on.
//
// Values are read as their own types and written canonically, whatever the
// engine or driver would make of them as text: exact numbers with four
// decimals ("0.5000"), floating point rounded to four decimals, date-times as
// "yyyy-MM-dd HH:mm:ss.zzz", binary as upper-case hexadecimal.
class SqlSession {
public:
    explicit SqlSession(const QString& connectionString);
    ~SqlSession();

    SqlSession(const SqlSession&) = delete;
    SqlSession& operator=(const SqlSession&) = delete;

    // Runs a batch and drains every result it produces, so an error raised by
    // a later statement of the batch is not lost.
    void execute(const QString& sql);

    // The first result set of the batch, every value read as text.
    Table query(const QString& sql);

    // Each row as its values joined by '|', NULL written as "NULL".
    QStringList rows(const QString& sql);

    // The first value of the first row; throws if there is none.
    QString scalar(const QString& sql);

    // Connects again with the same string, after the server went away.
    void reconnect();

    // What the server is, found when the session connected.
    const Engine& engine() const { return m_engine; }

private:
    struct Handles;
    void connect();

    QString m_connectionString;
    std::unique_ptr<Handles> m_handles;
    Engine m_engine;
};

// "  .5000", "-12.3", "7.00005" as exact decimal text with four decimals,
// rounded half away from zero: "0.5000", "-12.3000", "7.0001".
QString fixedPointText(const QString& decimal);

}  // namespace server
