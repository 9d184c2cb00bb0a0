#include "TestServerInstance.h"

#include "SqlSession.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cstdio>

namespace server {

namespace {

QString scriptFolder()
{
    return QStringLiteral(KOVARA_TEST_SQL_SERVER_DIR);
}

int settingOr(const char* variable, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariable(variable).toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

TestServerInstance::TestServerInstance(int number, bool tls)
    : m_tls(tls),
      m_root(qEnvironmentVariable("KOVARA_OWN_TSQL_ROOT", QStringLiteral("/var/tmp/kovara-tsql-own")) +
             QStringLiteral("-%1").arg(number)),
      m_port(settingOr("KOVARA_OWN_TSQL_PORT", 1460) + number),
      m_pgPort(settingOr("KOVARA_OWN_TSQL_PG_PORT", 54360) + number)
{
}

TestServerInstance::~TestServerInstance()
{
    try {
        stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "warning: test server %s was not stopped: %s\n", qPrintable(m_root), e.what());
    }
}

QString TestServerInstance::unavailableReason()
{
    if (QFileInfo(scriptFolder() + QStringLiteral("/start")).isFile())
        return {};
    return QStringLiteral("no test server beside the project (%1): these tests start and stop one of their own")
        .arg(scriptFolder());
}

QString TestServerInstance::runScript(const QString& path) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KOVARA_TSQL_ROOT"), m_root);
    environment.insert(QStringLiteral("KOVARA_TSQL_PORT"), QString::number(m_port));
    environment.insert(QStringLiteral("KOVARA_TSQL_PG_PORT"), QString::number(m_pgPort));
    environment.insert(QStringLiteral("KOVARA_TSQL_TLS"), m_tls ? QStringLiteral("1") : QStringLiteral("0"));
    process.setProcessEnvironment(environment);
    const QString name = QFileInfo(path).fileName();
    process.start(QStringLiteral("bash"), {path.contains(u'/') ? path : scriptFolder() + u'/' + path, m_root});
    const bool ended = process.waitForFinished(300000);
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    if (!ended || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw OdbcFailure(QStringLiteral("test server %1 (%2): %3 failed: %4%5")
                              .arg(m_root)
                              .arg(m_port)
                              .arg(name, QString::fromUtf8(process.readAllStandardError()), output)
                              .toStdString());
    return output;
}

void TestServerInstance::start()
{
    QString output = runScript(QStringLiteral("start"));
    // The start script's own certificate names no server.
    if (m_tls && runScript(QStringLiteral(KOVARA_TEST_KIT_DIR "/tls-certificate.sh")).contains(QStringLiteral("changed"))) {
        stop();
        output = runScript(QStringLiteral("start"));
    }
    const QRegularExpressionMatch found =
        QRegularExpression(QStringLiteral("KOVARA_TEST_ODBC='([^']*)'")).match(output);
    if (!found.hasMatch())
        throw OdbcFailure(("the test server's start printed no connection string: " + output).toStdString());
    m_odbc = found.captured(1);
}

QString TestServerInstance::certificate() const
{
    return m_root + QStringLiteral("/kovara-tls.crt");
}

void TestServerInstance::stop()
{
    runScript(QStringLiteral("stop"));
}

}  // namespace server
