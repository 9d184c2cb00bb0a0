#include "core/DataLinkWriter.h"

#include <QSaveFile>
#include <QStringEncoder>

namespace core {

QByteArray dataLinkFileBytes(const QString& initString)
{
    const QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=") +
                         initString + QStringLiteral("\r\n");
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

bool writeDataLinkFile(const QString& path, const QString& initString, QString* error)
{
    QSaveFile file(path);
    bool written = false;
    if (file.open(QIODevice::WriteOnly)) {
        // Before the password goes in. A file system without owners (a FAT
        // memory stick) refuses, and the file is still written there.
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(dataLinkFileBytes(initString));
        written = file.commit();
    }
    if (!written && error)
        *error = QStringLiteral("Não foi possível guardar o ficheiro de ligação %1: %2").arg(path, file.errorString());
    return written;
}

}  // namespace core
