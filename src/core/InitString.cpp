#include "core/InitString.h"

#include "core/ArrayStrUtils.h"

namespace core {

namespace {

// The value of a "Key=value" piece whose start is exactly key: everything
// from the character after the '='.
bool takeValue(const QString& piece, QStringView key, QString& value)
{
    if (!piece.startsWith(key, Qt::CaseSensitive))
        return false;
    value = piece.mid(key.size() + 1);
    return true;
}

}  // namespace

SourceParameters parseSourceInit(const QString& initString)
{
    SourceParameters source;
    for (const QString& piece : Split(QStringLiteral(";"), initString, 0)) {
        takeValue(piece, u"Password", source.password);
        takeValue(piece, u"User ID", source.user);
        takeValue(piece, u"Data Source", source.server);
        takeValue(piece, u"Initial Catalog", source.database);
    }
    return source;
}

QString parseDestinationDatabase(const QString& initString)
{
    QString database;
    for (const QString& piece : Split(QStringLiteral(";"), initString, 0)) {
        if (takeValue(piece, u"Initial Catalog", database))
            break;
    }
    return database;
}

QString workingConnectionString(const SourceParameters& source)
{
    return loginConnectionString(source, QStringLiteral("master"));
}

QString loginConnectionString(const SourceParameters& login, const QString& catalog)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + login.password +
           QStringLiteral(";Persist Security Info=True;User ID=") + login.user + QStringLiteral(";Initial Catalog=") +
           catalog + QStringLiteral(";Data Source=") + login.server;
}

}  // namespace core
