#pragma once

#include "core/links/Link.h"

#include <QString>
#include <QStringList>

namespace core {

// An init string taken apart for editing: the provider name, then its items
// in their order. An item is of a kind the way a link is read (isItem), and
// its value is everything after its '=', unquoted. A value in quotes keeps
// the ';' it holds.
class InitStringItems {
public:
    static constexpr char16_t kDefaultProvider[] = u"SQLOLEDB.1";

    // A new link: the default provider and no items.
    InitStringItems();
    // Empty pieces are dropped; everything else is kept as it is.
    static InitStringItems parse(const QString& initString);

    const QString& provider() const { return m_provider; }
    const QStringList& items() const { return m_items; }

    // The first item of the kind gets the value, quoted where it needs it,
    // under the name it was written with, and later ones go, so every reader
    // agrees on it; a kind without an item gets one at the end, under the
    // name the dialogs write. An empty value removes the kind's items.
    void set(LinkItem item, const QString& value);

    // Removes every item of the kind, under any of its names.
    void remove(LinkItem item);

    // The ODBC connection string that an MSDASQL file keeps in Extended
    // Properties, without its password (PWD or Password, in any case): a
    // file that keeps no password keeps none there either. The item goes
    // when nothing else is left in it.
    void removeExtendedPassword();

    // An item whose value opens with a quote that its own text does not
    // close is read as it stands, but could read otherwise once an item after
    // it goes: such values are written quoted, so each item reads the same
    // wherever it stands. Called once the items to be written are settled.
    void quoteOpenValues();

    QString toString() const;

private:
    QString m_provider;
    QStringList m_items;
};

}  // namespace core
