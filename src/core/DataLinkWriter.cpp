#include "core/DataLinkWriter.h"

#include "core/DataLinkFile.h"

#include <QSaveFile>
#include <QStringEncoder>

namespace core {

QByteArray dataLinkFileBytes(const QString& initString, const QString& keptText)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(withInitString(keptText, initString));
}

bool writeDataLinkFile(const QString& path, const QString& initString, const QString& keptText, QString* error)
{
    QSaveFile file(path);
    bool written = false;
    if (file.open(QIODevice::WriteOnly)) {
        // Before the password goes in. A file system without owners (a FAT
        // memory stick) refuses, and the file is still written there.
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(dataLinkFileBytes(initString, keptText));
        written = file.commit();
    }
    if (!written && error)
        *error = QStringLiteral("Não foi possível guardar o ficheiro de ligação %1: %2").arg(path, file.errorString());
    return written;
}

}  // namespace core
