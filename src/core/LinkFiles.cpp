#include "core/LinkFiles.h"

#include "core/DataLinkFile.h"
#include "core/InitString.h"

#include <QFileInfo>

namespace core {

namespace {

LinkFiles refused(const QString& reason)
{
    return {reason, {}, {}};
}

}  // namespace

LinkFiles readLinkFiles(const QString& sourcePath, const QString& destinationPath)
{
    if (!QFileInfo(sourcePath).isFile())
        return refused(kMissingSourceLink);
    if (!QFileInfo(destinationPath).isFile())
        return refused(kMissingDestinationLink);

    const QString source = readInitString(sourcePath);
    if (source.isEmpty())
        return refused(kInvalidLink);
    const QString destination = readInitString(destinationPath);
    if (destination.isEmpty())
        return refused(kInvalidLink);

    // Converting a database into itself would empty every table the conversion reads.
    const QString sourceDatabase = parseSourceInit(source).database;
    const QString destinationDatabase = parseDestinationDatabase(destination);
    if (!sourceDatabase.isEmpty() && !destinationDatabase.isEmpty() &&
        sourceDatabase.compare(destinationDatabase, Qt::CaseInsensitive) == 0)
        return refused(kSameDatabase);

    return {{}, source, destination};
}

}  // namespace core
