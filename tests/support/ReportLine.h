#pragma once

// A finished run's log ends with the line that gives its report's path.

#include <QFile>
#include <QStringList>

namespace reportline {

inline const QString kPrefix = QStringLiteral("Relatório: ");

// The lines before the report's line, and in path the report it names; the
// lines as they are, and an empty path, when the last one names no report
// that exists.
inline QStringList apart(QStringList lines, QString* path = nullptr)
{
    if (!lines.isEmpty() && lines.last().startsWith(kPrefix) && QFile::exists(lines.last().mid(kPrefix.size()))) {
        if (path)
            *path = lines.last().mid(kPrefix.size());
        lines.removeLast();
    }
    return lines;
}

}  // namespace reportline
