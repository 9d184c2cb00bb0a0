#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>

namespace core {

// An init string taken apart for editing: the provider name, then its items
// in their order. An item belongs to a key the way the conversion reads it:
// the piece starts with the key (exact, case-sensitive), and its value is
// everything after the key and one more character, the '=', unquoted. A
// value in quotes keeps the ';' it holds.
class InitStringItems {
public:
    static constexpr char16_t kDefaultProvider[] = u"SQLOLEDB.1";

    // A new link: the default provider and no items.
    InitStringItems();
    // Empty pieces are dropped; everything else is kept as it is.
    static InitStringItems parse(const QString& initString);

    const QString& provider() const { return m_provider; }
    const QStringList& items() const { return m_items; }

    // The value of the last item of the key, as the conversion takes it; empty if none.
    QString value(QStringView key) const;
    bool contains(QStringView key) const;

    // The first item of the key becomes "key=value", the value quoted where
    // it needs it, and later ones go, so every
    // reader agrees on it; a key without an item gets one at the end. An empty
    // value removes the key's items.
    void set(QStringView key, const QString& value);

    // Removes every item whose key, blanks around it aside, is one of these in
    // any case, the way an OLE DB provider matches keys.
    void removeKeys(std::initializer_list<QStringView> keys);

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
