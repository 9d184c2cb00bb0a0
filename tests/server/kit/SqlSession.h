#pragma once

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

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
};

}  // namespace server
