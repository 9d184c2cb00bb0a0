#include "ScratchDatabase.h"

#include "FixtureSchema.h"

#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <cstdio>
#include <thread>

namespace server {

namespace {

QString literal(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("N'") + escaped + u'\'';
}

// Goes back to master however the batches in between ended, so that the
// session never holds the database it is about to drop.
class InDatabase {
public:
    InDatabase(SqlSession& session, const QString& name) : m_session(session)
    {
        m_session.execute(QStringLiteral("USE ") + bracketed(name));
    }
    ~InDatabase()
    {
        try {
            m_session.execute(QStringLiteral("USE master"));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "warning: cannot return to master: %s\n", e.what());
        }
    }
    InDatabase(const InDatabase&) = delete;
    InDatabase& operator=(const InDatabase&) = delete;

private:
    SqlSession& m_session;
};

// Creating and dropping databases: retried a few times where the engine lets
// two sessions doing it at once collide.
void executeCatalogChange(SqlSession& session, const QString& sql)
{
    for (int attempt = 1;; ++attempt) {
        try {
            session.execute(sql);
            return;
        } catch (const OdbcFailure& e) {
            if (attempt == 5 || !session.engine().isConcurrentCatalogUpdate(QString::fromUtf8(e.what())))
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200 * attempt));
    }
}

}  // namespace

QString bracketed(const QString& name)
{
    QString quoted = name;
    quoted.replace(u']', QStringLiteral("]]"));
    return u'[' + quoted + u']';
}

ScratchDatabase::ScratchDatabase(SqlSession& admin, const QString& stem, bool exactName)
    : m_admin(admin),
      m_name(exactName ? stem
                       : stem + QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, u'0'))
{
    try {
        executeCatalogChange(m_admin, QStringLiteral("CREATE DATABASE ") + bracketed(m_name));
    } catch (const std::exception&) {
        // A create that failed half-way must not leave its database behind.
        drop();
        throw;
    }
}

ScratchDatabase::~ScratchDatabase()
{
    drop();
}

void ScratchDatabase::drop()
{
    // Sessions still in the database, the run's own included, are thrown out
    // where the engine allows it; elsewhere the runs have closed theirs by now.
    const QString drop = m_admin.engine().allowsSingleUser()
                             ? QStringLiteral("IF DB_ID(%1) IS NOT NULL BEGIN "
                                              "ALTER DATABASE %2 SET SINGLE_USER WITH ROLLBACK IMMEDIATE; "
                                              "DROP DATABASE %2; END")
                             : QStringLiteral("IF DB_ID(%1) IS NOT NULL DROP DATABASE %2");
    try {
        m_admin.execute(QStringLiteral("USE master"));
        executeCatalogChange(m_admin, drop.arg(literal(m_name), bracketed(m_name)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "warning: scratch database %s was not dropped: %s\n", qPrintable(m_name), e.what());
    }
}

QString ScratchDatabase::table(const QString& table) const
{
    return bracketed(m_name) + QStringLiteral(".dbo.") + table;
}

void ScratchDatabase::execute(const QString& sql)
{
    InDatabase in(m_admin, m_name);
    m_admin.execute(sql);
}

void ScratchDatabase::runScript(const QString& fileName)
{
    runScripts({fileName});
}

void ScratchDatabase::runScripts(const QStringList& fileNames)
{
    InDatabase in(m_admin, m_name);
    for (const QString& file : fileNames) {
        int number = 0;
        for (const QString& batch : batches(readScript(file))) {
            ++number;
            try {
                m_admin.execute(batch);
            } catch (const OdbcFailure& e) {
                throw OdbcFailure(QStringLiteral("%1, batch %2: %3").arg(file).arg(number).arg(e.what()).toStdString());
            }
        }
    }
}

void writeDataLinkFile(const QString& path, const QString& initString)
{
    const QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=") +
                         initString + QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        bytes.append(char(u & 0xFF));
        bytes.append(char(u >> 8));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw OdbcFailure(("cannot write " + path).toStdString());
}

}  // namespace server
