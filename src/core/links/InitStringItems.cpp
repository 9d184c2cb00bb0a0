#include "core/links/InitStringItems.h"

#include "core/links/InitString.h"

#include <algorithm>

namespace core {

namespace {

bool belongsTo(const QString& item, QStringView key)
{
    return item.startsWith(key, Qt::CaseSensitive);
}

QString standingAlone(const QString& piece)
{
    const qsizetype equals = piece.indexOf(u'=');
    if (equals < 0)
        return piece;
    const QStringView raw = QStringView(piece).mid(equals + 1);
    const QStringView value = raw.trimmed();
    const bool opensQuote = !value.isEmpty() && (value.front() == u'"' || value.front() == u'\'');
    if (!opensQuote || itemValue(raw) != raw)
        return piece;
    return piece.left(equals + 1) + quotedValue(raw.toString());
}

}  // namespace

InitStringItems::InitStringItems() : m_provider(QString::fromUtf16(kDefaultProvider)) {}

InitStringItems InitStringItems::parse(const QString& initString)
{
    InitStringItems parsed;
    const QStringList pieces = initStringPieces(initString);
    if (pieces.isEmpty())
        return parsed;
    parsed.m_provider = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (!pieces[i].isEmpty())
            parsed.m_items.append(pieces[i]);
    }
    return parsed;
}

QString InitStringItems::value(QStringView key) const
{
    for (auto it = m_items.crbegin(); it != m_items.crend(); ++it) {
        if (belongsTo(*it, key))
            return itemValue(QStringView(*it).mid(key.size() + 1));
    }
    return {};
}

bool InitStringItems::contains(QStringView key) const
{
    return std::any_of(m_items.cbegin(), m_items.cend(), [&](const QString& item) { return belongsTo(item, key); });
}

void InitStringItems::set(QStringView key, const QString& value)
{
    const QString item = key.toString() + u'=' + quotedValue(value);
    bool placed = value.isEmpty();
    for (qsizetype i = 0; i < m_items.size();) {
        if (!belongsTo(m_items[i], key)) {
            ++i;
        } else if (!placed) {
            m_items[i++] = item;
            placed = true;
        } else {
            m_items.removeAt(i);
        }
    }
    if (!placed)
        m_items.append(item);
}

void InitStringItems::removeKeys(std::initializer_list<QStringView> keys)
{
    m_items.removeIf([&](const QString& item) {
        const QStringView key = QStringView(item).left(item.indexOf(u'=')).trimmed();
        return std::any_of(keys.begin(), keys.end(),
                           [&](QStringView k) { return key.compare(k, Qt::CaseInsensitive) == 0; });
    });
}

void InitStringItems::quoteOpenValues()
{
    m_provider = standingAlone(m_provider);
    for (QString& item : m_items)
        item = standingAlone(item);
}

QString InitStringItems::toString() const
{
    QString text = m_provider;
    for (const QString& item : m_items)
        text += u';' + item;
    return text;
}

}  // namespace core
