#include "Engine.h"

#include "SqlSession.h"

namespace server {

Engine Engine::detect(SqlSession& session)
{
    const QString version = session.scalar(QStringLiteral("SELECT @@VERSION"));
    return Engine(version.contains(QStringLiteral("Babelfish"), Qt::CaseInsensitive) ? Kind::Babelfish
                                                                                      : Kind::SqlServer);
}

QString Engine::name() const
{
    return m_kind == Kind::Babelfish ? QStringLiteral("Babelfish") : QStringLiteral("SQL Server");
}

bool Engine::isConcurrentCatalogUpdate(const QString& error) const
{
    return m_kind == Kind::Babelfish && error.contains(QStringLiteral("tuple concurrently updated"));
}

QString Engine::invalidObjectName(const QString& database, const QString& table) const
{
    if (m_kind == Kind::Babelfish)
        return QStringLiteral("relation \"%1_dbo.%2\" does not exist").arg(database, table);
    return QStringLiteral("Invalid object name '%1.dbo.%2'").arg(database, table);
}

QString Engine::invalidColumnName(const QString& column) const
{
    if (m_kind == Kind::Babelfish)
        return QStringLiteral("column \"%1\" does not exist").arg(column);
    return QStringLiteral("Invalid column name '%1'").arg(column);
}

QString Engine::loginFailed(const QString& user) const
{
    if (m_kind == Kind::Babelfish)
        return QStringLiteral("Login failed for user \"%1\"").arg(user);
    return QStringLiteral("Login failed for user '%1'").arg(user);
}

}  // namespace server
