// Any bytes as the content of a data link file, read and then saved again
// unchanged by the editor.
#include "core/links/DataLinkFile.h"
#include "core/links/DataLinkWriter.h"
#include "core/links/InitString.h"
#include "core/links/LinkSettings.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {

bool shownByTheEditor(const QString& item)
{
    for (const core::LinkItem kind :
         {core::LinkItem::Server, core::LinkItem::User, core::LinkItem::Password, core::LinkItem::Database,
          core::LinkItem::WindowsLogin, core::LinkItem::PersistSecurityInfo, core::LinkItem::Encryption,
          core::LinkItem::TrustServerCertificate}) {
        if (core::isItem(item, kind))
            return true;
    }
    // A password not kept goes from here too.
    return item.trimmed().startsWith(u"Extended Properties", Qt::CaseInsensitive);
}

// An item as a reader takes it: its key, and its value unquoted.
QString meaning(const QString& item)
{
    const qsizetype equals = item.indexOf(u'=');
    return equals < 0 ? item : item.left(equals + 1) + core::itemValue(QStringView(item).mid(equals + 1));
}

QStringList otherItems(const core::InitStringItems& items)
{
    QStringList others;
    for (const QString& item : items.items()) {
        if (!shownByTheEditor(item))
            others.append(meaning(item));
    }
    return others;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString init = core::initStringFromBytes(bytes);
    if (init.size() > 2047)
        std::abort();

    const core::InitStringItems items = core::InitStringItems::parse(init);
    const core::Link settings = core::settingsOf(items);
    if (!core::settingsProblem(items, settings).isEmpty() || !settings.problem.isEmpty())
        return 0;
    // What OK writes shows the same settings when opened again, and keeps
    // the provider and every other item, as a reader takes them, in their order.
    const core::InitStringItems written = core::InitStringItems::parse(
        core::initStringFromBytes(core::dataLinkFileBytes(core::withSettings(items, settings).toString())));
    const core::Link reread = core::settingsOf(written);
    const bool windows = settings.login == core::LinkLogin::Windows;
    if (reread.server != settings.server || reread.user != (windows ? QString() : settings.user) ||
        reread.database != settings.database || reread.persistPassword != settings.persistPassword ||
        reread.login != settings.login || reread.encryption != settings.encryption ||
        reread.trustServerCertificate != settings.trustServerCertificate ||
        reread.password != (settings.persistPassword && !windows ? settings.password : QString()))
        std::abort();
    if (meaning(written.provider()) != meaning(items.provider()) || otherItems(written) != otherItems(items))
        std::abort();
    return 0;
}
