#include "core/links/InitStringItems.h"

#include "core/links/InitString.h"
#include "core/links/Link.h"

namespace core {

namespace {

// The attributes of an ODBC connection string, each as written: a value in
// braces keeps its ';', a doubled '}' standing for one.
QStringList odbcAttributes(const QString& text)
{
    QStringList attributes;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u';') {
            attributes.append(text.mid(start, i - start));
            start = ++i;
            continue;
        }
        const bool opensBraces = text[i] == u'{' && text.mid(start, i - start).trimmed().endsWith(u'=');
        if (!opensBraces) {
            ++i;
            continue;
        }
        for (++i; i < text.size(); ++i) {
            if (text[i] == u'}' && i + 1 < text.size() && text[i + 1] == u'}')
                ++i;
            else if (text[i] == u'}')
                break;
        }
        ++i;
    }
    if (start < text.size())
        attributes.append(text.mid(start));
    return attributes;
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

void InitStringItems::set(LinkItem item, const QString& value)
{
    bool placed = value.isEmpty();
    for (qsizetype i = 0; i < m_items.size();) {
        if (!isItem(m_items[i], item)) {
            ++i;
        } else if (!placed) {
            m_items[i] = m_items[i].left(m_items[i].indexOf(u'=') + 1) + quotedValue(value);
            ++i;
            placed = true;
        } else {
            m_items.removeAt(i);
        }
    }
    if (!placed)
        m_items.append(itemName(item).toString() + u'=' + quotedValue(value));
}

void InitStringItems::remove(LinkItem item)
{
    m_items.removeIf([&](const QString& piece) { return isItem(piece, item); });
}

void InitStringItems::removeExtendedPassword()
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (!hasKey(m_items[i], u"Extended Properties"))
            continue;
        QStringList attributes = odbcAttributes(pieceValue(m_items[i]));
        const qsizetype passwords = attributes.removeIf(
            [](const QString& attribute) { return isItem(attribute, LinkItem::Password); });
        if (passwords == 0)
            continue;
        attributes.removeIf([](const QString& attribute) { return attribute.trimmed().isEmpty(); });
        if (attributes.isEmpty())
            m_items.removeAt(i--);
        else
            m_items[i] = m_items[i].left(m_items[i].indexOf(u'=') + 1) + quotedValue(attributes.join(u';'));
    }
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
