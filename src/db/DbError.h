#pragma once

#include <QString>
#include <QByteArray>
#include <exception>

namespace db {

// The one failure the database layer raises: a driver or server refusal, or a
// misuse of a query (unknown field or parameter). The text is ready to show.
class DbError : public std::exception {
public:
    explicit DbError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

}  // namespace db
