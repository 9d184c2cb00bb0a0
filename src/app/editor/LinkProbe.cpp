#include "app/editor/LinkProbe.h"

#include "core/links/LinkCheck.h"
#include "db/DbError.h"

#include <QCoreApplication>

#include <exception>

namespace app {

LinkProbe::LinkProbe(Question question, core::Link settings, std::unique_ptr<db::Connection> connection)
    : m_question(question), m_settings(std::move(settings)), m_connection(std::move(connection))
{
}

LinkProbe::~LinkProbe()
{
    wait();
}

void LinkProbe::letFinish(std::unique_ptr<LinkProbe> probe)
{
    LinkProbe* const left = probe.release();
    left->setParent(QCoreApplication::instance());
    connect(left, &QThread::finished, left, &QObject::deleteLater);
    // Finished before the connection was made: nothing would call it then.
    if (left->isFinished())
        left->deleteLater();
}

void LinkProbe::run()
{
    try {
        if (m_question == Question::TestConnection)
            core::testConnection(*m_connection, m_settings);
        else
            m_databases = core::listDatabases(*m_connection, m_settings);
        m_succeeded = true;
    } catch (const db::DbError& error) {
        m_failure = error.message();
    } catch (const std::exception& error) {
        m_failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        // Left to fly, it would end the program from this thread.
    }
    if (!m_succeeded && m_failure.isEmpty())
        m_failure = QStringLiteral("O controlador não deu nenhuma mensagem.");
}

}  // namespace app
