#include "core/links/DataLinkWriter.h"

#include "db/PrivateFiles.h"
#include "core/links/DataLinkFile.h"

#include <QStringEncoder>

namespace core {

QByteArray dataLinkFileBytes(const QString& initString, const QString& keptText)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(withInitString(keptText, initString));
}

bool writeDataLinkFile(const QString& path, const QString& initString, const QString& keptText, QString* error)
{
    QString why;
    if (db::writePrivateFile(path, dataLinkFileBytes(initString, keptText), &why))
        return true;
    if (error)
        *error = QStringLiteral("Não foi possível guardar o ficheiro de ligação %1: %2").arg(path, why);
    return false;
}

}  // namespace core
