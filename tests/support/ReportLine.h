#pragma once

#include <QFile>
#include <QStringList>

namespace reportline {

// A finished run's lines without the last, when it gives the path of a report
// that exists; that path goes into path.
inline QStringList apart(QStringList lines, QString* path = nullptr)
{
    const QString prefix = QStringLiteral("Relatório: ");
    if (lines.isEmpty() || !lines.last().startsWith(prefix) || !QFile::exists(lines.last().mid(prefix.size())))
        return lines;
    const QString named = lines.takeLast().mid(prefix.size());
    if (path)
        *path = named;
    return lines;
}

}  // namespace reportline
