#pragma once

#include <QString>
#include <QByteArray>
#include <exception>
#include <optional>

namespace db {

// The one failure the database layer raises: a driver or server refusal, or a
// misuse of a query (unknown field or parameter). The text is ready to show.
class DbError : public std::exception {
public:
    explicit DbError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // A failure of executeForRows at a known row: the row (1-based) and the
    // refusal for that row alone, without the row's suffix.
    void setRow(int row, QString reason)
    {
        m_row = row;
        m_reason = std::move(reason);
    }
    std::optional<int> row() const { return m_row; }
    const QString& reason() const { return m_row ? m_reason : m_message; }

    // Why a connection could not be opened, for a failure of the driver's
    // connect: the server refused the login (a wrong user or password, and
    // so the channel to it was as asked), or the channel itself failed (no
    // server, no encryption, an untrusted certificate...).
    enum class Connect { NotConnecting, ChannelFailed, LoginRefused };
    void setConnect(Connect connect) { m_connect = connect; }
    Connect connect() const { return m_connect; }

private:
    QString m_message;
    QByteArray m_utf8;
    std::optional<int> m_row;
    QString m_reason;
    Connect m_connect = Connect::NotConnecting;
};

// The destination acted on its own inside a transaction the program opened:
// a trigger's COMMIT or ROLLBACK changed its level or ended it ("the
// transaction ended in the trigger"), not a refusal of the program's
// statement. Nothing more may be sent in that transaction; only its rollback,
// which alone tells what it undid.
class TransactionLost : public DbError {
public:
    using DbError::DbError;
};

}  // namespace db
