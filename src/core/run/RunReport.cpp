#include "core/run/RunReport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace core {

QString reportFolder(const QString& recordPath)
{
    return QFileInfo(recordPath).absolutePath() + QStringLiteral("/relatorios");
}

QString writeReportPage(const QString& folder, const RunReport& report, const QString& page)
{
    if (!QDir().mkpath(folder))
        return {};
    // No colons: the name must be valid on Windows too.
    const QString path = QStringLiteral("%1/%2_%3.html")
                             .arg(folder, report.start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")), report.runId);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    const QByteArray bytes = page.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {};
    return path;
}

}  // namespace core
