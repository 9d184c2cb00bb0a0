#pragma once

#include "core/links/Link.h"
#include "db/Connection.h"

#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>

namespace app {

// One question to the server for the data link editor, on a thread of its
// own so the dialog keeps answering while the login waits. The answer is
// read once the thread has finished.
class LinkProbe final : public QThread {
public:
    enum class Question { TestConnection, ListDatabases };

    LinkProbe(Question question, core::Link settings, std::unique_ptr<db::Connection> connection);
    ~LinkProbe() override;

    LinkProbe(const LinkProbe&) = delete;
    LinkProbe& operator=(const LinkProbe&) = delete;

    // For a probe nobody waits for any more: it ends on its own, within its
    // connection's timeouts, and is deleted then. The application owns it
    // meanwhile and waits for it when it ends.
    static void letFinish(std::unique_ptr<LinkProbe> probe);

    Question question() const { return m_question; }
    // After the thread has finished: whether the server answered, its
    // databases for ListDatabases, and otherwise the driver's text.
    bool succeeded() const { return m_succeeded; }
    const QStringList& databases() const { return m_databases; }
    const QString& failure() const { return m_failure; }

protected:
    void run() override;

private:
    const Question m_question;
    const core::Link m_settings;
    const std::unique_ptr<db::Connection> m_connection;
    QStringList m_databases;
    QString m_failure;
    bool m_succeeded = false;
};

}  // namespace app
