#include "core/run/RunReport.h"

#include "db/PrivateFiles.h"

#include <QFileInfo>

namespace core {

QString reportFolder(const QString& recordPath)
{
    return QFileInfo(recordPath).absolutePath() + QStringLiteral("/relatorios");
}

QString writeReportPage(const QString& folder, const RunReport& report, const QString& page)
{
    if (!db::makePrivateFolder(folder))
        return {};
    // No colons: the name must be valid on Windows too.
    const QString path = QStringLiteral("%1/%2_%3.html")
                             .arg(folder, report.start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")), report.runId);
    return db::writePrivateFile(path, page.toUtf8()) ? path : QString();
}

}  // namespace core
