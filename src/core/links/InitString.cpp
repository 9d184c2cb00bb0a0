#include "core/links/InitString.h"

#include "core/common/ArrayStrUtils.h"

namespace core {

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

namespace {

// Where the value after the first '=' of the text starts, blanks skipped.
qsizetype valueStart(QStringView text)
{
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return -1;
    qsizetype i = eq + 1;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return i;
}

// The quoted value starting at text[start], and where it ends (past the
// closing quote); end is -1 when the quote is never closed.
QString readQuoted(QStringView text, qsizetype start, qsizetype& end)
{
    const QChar quote = text[start];
    QString value;
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            value.append(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            value.append(quote);
            ++i;
        } else {
            end = i + 1;
            return value;
        }
    }
    end = -1;
    return value;
}

bool onlyBlanks(QStringView text)
{
    return text.trimmed().isEmpty();
}

// The index of the last piece that a quoted value starting in pieces[first]
// runs through; first itself when the piece holds no such value.
qsizetype lastPieceOfValue(const QStringList& pieces, qsizetype first)
{
    const qsizetype start = valueStart(pieces[first]);
    if (start < 0 || start >= pieces[first].size() || !isQuote(pieces[first][start]))
        return first;
    QString text = pieces[first];
    for (qsizetype last = first;; ++last) {
        if (last > first)
            text += u';' + pieces[last];
        qsizetype end = -1;
        readQuoted(text, start, end);
        if (end >= 0)
            return onlyBlanks(QStringView(text).mid(end)) ? last : first;
        if (last + 1 >= pieces.size())
            return first;
    }
}

}  // namespace

QStringList initStringPieces(const QString& initString)
{
    const QStringList pieces = Split(QStringLiteral(";"), initString, 0);
    QStringList joined;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qsizetype last = lastPieceOfValue(pieces, i);
        joined.append(pieces.mid(i, last - i + 1).join(u';'));
        i = last;
    }
    return joined;
}

QString itemValue(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace())
        ++start;
    if (start >= text.size() || !isQuote(text[start]))
        return text.toString();
    qsizetype end = -1;
    const QString value = readQuoted(text, start, end);
    return end >= 0 && onlyBlanks(text.mid(end)) ? value : text.toString();
}

QString quotedValue(const QString& value)
{
    const bool needsQuotes = value.contains(u';') || value.contains(u'"') || value.startsWith(u'\'') ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    QString doubled = value;
    doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString windowsLoginFailure(const QString& driverText)
{
#if defined(Q_OS_WIN)
    const QString whatToDo = QStringLiteral(
        "Entre no Windows com um utilizador a quem o SQL Server dê acesso, ou escreva no ficheiro de ligação "
        "um utilizador e uma palavra-passe do SQL Server.");
#else
    const QString whatToDo = QStringLiteral(
        "Neste sistema é preciso um utilizador do domínio com um bilhete Kerberos válido (obtido com kinit), "
        "ou escreva no ficheiro de ligação um utilizador e uma palavra-passe do SQL Server.");
#endif
    QString said = driverText.trimmed();
    if (said.endsWith(u'.'))
        said.chop(1);
    return QStringLiteral("O ficheiro de ligação pede a autenticação do Windows (Integrated Security=SSPI) e não foi "
                          "possível entrar assim: %1. %2")
        .arg(said, whatToDo);
}

}  // namespace core
