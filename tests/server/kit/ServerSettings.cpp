#include "ServerSettings.h"

#include <QtGlobal>

namespace server {

std::optional<QString> connectionStringValue(const QString& connectionString, const QString& key)
{
    std::optional<QString> found;
    qsizetype i = 0;
    const qsizetype n = connectionString.size();
    while (i < n) {
        const qsizetype equals = connectionString.indexOf(u'=', i);
        if (equals < 0)
            break;
        const QString name = connectionString.mid(i, equals - i).trimmed();
        i = equals + 1;
        QString value;
        if (i < n && connectionString[i] == u'{') {
            ++i;
            while (i < n) {
                if (connectionString[i] == u'}') {
                    if (i + 1 < n && connectionString[i + 1] == u'}') {
                        value += u'}';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connectionString[i++];
            }
            const qsizetype semicolon = connectionString.indexOf(u';', i);
            i = semicolon < 0 ? n : semicolon + 1;
        } else {
            const qsizetype semicolon = connectionString.indexOf(u';', i);
            const qsizetype end = semicolon < 0 ? n : semicolon;
            value = connectionString.mid(i, end - i).trimmed();
            i = end + 1;
        }
        // Drivers take the first occurrence of a key.
        if (!found && name.compare(key, Qt::CaseInsensitive) == 0)
            found = value;
    }
    return found;
}

ServerSettings parseSettings(const QString& connectionString)
{
    ServerSettings s;
    s.odbc = connectionString;
    s.server = connectionStringValue(connectionString, QStringLiteral("SERVER")).value_or(QString());
    s.port = connectionStringValue(connectionString, QStringLiteral("PORT")).value_or(QString());
    s.user = connectionStringValue(connectionString, QStringLiteral("UID")).value_or(QString());
    s.password = connectionStringValue(connectionString, QStringLiteral("PWD")).value_or(QString());
    return s;
}

QString ServerSettings::dataSource() const
{
    if (port.isEmpty() || server.contains(u','))
        return server;
    return server + u',' + port;
}

std::optional<ServerSettings> settingsFromEnvironment()
{
    const QString value = qEnvironmentVariable(kVariable).trimmed();
    if (value.isEmpty())
        return std::nullopt;
    return parseSettings(value);
}

}  // namespace server
