#include "core/common/ServerIdentity.h"

#include "core/common/SqlNames.h"

#include <QUuid>
#include <exception>

namespace core {

bool sameServerName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool sameServer(db::Query& first, db::Query& second)
{
    const QString resource =
        textLiteral(QStringLiteral("KovaraConverter ") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    bool held = false;
    try {
        first.setSql(QStringLiteral("DECLARE @granted int; EXEC @granted = sp_getapplock @Resource = %1, "
                                    "@LockMode = 'Exclusive', @LockOwner = 'Session', @LockTimeout = 0; "
                                    "SELECT @granted")
                         .arg(resource));
        first.open();
        held = first.hasRow() && first.asInteger(0) >= 0;
    } catch (const std::exception&) {
    }
    first.close();
    if (!held)
        return false;

    bool same = false;
    try {
        second.setSql(QStringLiteral("SELECT APPLOCK_TEST('public', %1, 'Exclusive', 'Session')").arg(resource));
        second.open();
        // 0: it cannot be granted, because the first session holds it.
        same = second.hasRow() && second.asInteger(0) == 0;
        second.close();
    } catch (const std::exception&) {
        second.close();
    }
    first.setSql(QStringLiteral("EXEC sp_releaseapplock @Resource = %1, @LockOwner = 'Session'").arg(resource));
    first.execute();
    return same;
}

bool sameDatabase(db::Query& q, const QString& a, const QString& b)
{
    q.setSql(QStringLiteral("SELECT DB_ID(%1), DB_ID(%2)").arg(textLiteral(a), textLiteral(b)));
    q.open();
    const bool same = q.hasRow() && !q.asText(0).isEmpty() && q.asText(0) == q.asText(1);
    q.close();
    return same;
}

Encrypted sessionEncryption(db::Query& q)
{
    for (const QString& question :
         {QStringLiteral("SELECT CONVERT(nvarchar(10), CONNECTIONPROPERTY('encrypt_option'))"),
          QStringLiteral("SELECT CONVERT(nvarchar(10), encrypt_option) FROM sys.dm_exec_connections "
                         "WHERE session_id = @@SPID")}) {
        QString answer;
        try {
            q.setSql(question);
            q.open();
            answer = q.hasRow() ? q.asText(0).trimmed() : QString();
        } catch (const std::exception&) {
            // Not this server's way of telling; the other may be.
        }
        q.close();
        if (answer.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
            return Encrypted::Yes;
        if (answer.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
            return Encrypted::No;
    }
    return Encrypted::Unknown;
}

bool takesRowsInOneInsert(db::Query& q)
{
    // The major version is the high byte; every version answers this.
    q.setSql(QStringLiteral("SELECT @@MICROSOFTVERSION / 16777216"));
    q.open();
    const bool takes = q.hasRow() && q.asInteger(0) >= 10;
    q.close();
    return takes;
}

}  // namespace core
