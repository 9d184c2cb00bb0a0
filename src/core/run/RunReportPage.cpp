// The one place a report's HTML is made. Every text that comes from the run
// (names, codes, the server's words, log lines) goes through text() or
// number(): nothing read from a database reaches the page unescaped.

#include "core/run/RunReport.h"

#include "core/run/Conversion.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace core {

namespace {

const QLocale kPortuguese(QLocale::Portuguese, QLocale::Portugal);

QString text(const QString& value)
{
    return value.toHtmlEscaped();
}

QString number(std::int64_t value)
{
    return kPortuguese.toString(qlonglong(value));
}

QString seconds(std::int64_t milliseconds)
{
    return kPortuguese.toString(double(milliseconds) / 1000.0, 'f', 1) + QStringLiteral(" s");
}

QString when(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QStringLiteral("—");
}

QString row(const QStringList& cells, const QString& tag = QStringLiteral("td"))
{
    QString out = QStringLiteral("<tr>");
    for (const QString& cell : cells)
        out += QStringLiteral("<%1>%2</%1>").arg(tag, cell);
    return out + QStringLiteral("</tr>\n");
}

const char* const kStyle = R"(
@page { size: A4; margin: 15mm; }
body { font-family: "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #1f2328; font-size: 11pt;
       max-width: 180mm; margin: 1.5em auto; padding: 0 1em; }
h1 { font-size: 18pt; margin: 0 0 .2em; }
h2 { font-size: 13pt; margin: 1.4em 0 .4em; border-bottom: 2px solid #d0d7de; padding-bottom: .1em; }
.resultado { padding: .6em .9em; border-radius: 4px; font-weight: bold; margin: .8em 0; }
.bom { background: #dafbe1; color: #116329; }
.mau { background: #ffebe9; color: #a40e26; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .25em .5em; border-bottom: 1px solid #d0d7de; vertical-align: top; }
th { background: #f6f8fa; }
td.n { text-align: right; white-space: nowrap; }
.dados th { width: 35%; background: none; font-weight: normal; color: #57606a; }
.tempo { white-space: nowrap; }
.barra { display: inline-block; width: 30mm; height: .7em; background: #eaeef2; margin-right: .4em; }
.barra span { display: block; height: 100%; background: #0969da; }
.falhou { color: #a40e26; font-weight: bold; }
pre { font-size: 8.5pt; white-space: pre-wrap; background: #f6f8fa; padding: .6em; }
@media print {
  body { margin: 0; padding: 0; max-width: none; font-size: 10pt; }
  .resultado, .barra, .barra span, th { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  tr, .resultado { break-inside: avoid; }
  h2 { break-after: avoid; }
}
)";

QString servers(const RunReport& report)
{
    QStringList rows;
    const auto pair = [](const QString& label, const QString& value) {
        return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(text(label), text(value));
    };
    if (report.servers && report.servers->destination.isEmpty()) {
        rows << pair(QStringLiteral("Servidor"), report.servers->source)
             << pair(QStringLiteral("Ligação cifrada"), encryptedWord(report.servers->sourceEncrypted));
    } else if (report.servers) {
        rows << pair(QStringLiteral("Servidor de origem"), report.servers->source)
             << pair(QStringLiteral("Ligação cifrada à origem"), encryptedWord(report.servers->sourceEncrypted))
             << pair(QStringLiteral("Servidor de destino"), report.servers->destination)
             << pair(QStringLiteral("Ligação cifrada ao destino"), encryptedWord(report.servers->destinationEncrypted));
    } else {
        rows << pair(QStringLiteral("Servidor de origem (não alcançado)"), report.sourceServer)
             << pair(QStringLiteral("Servidor de destino (não alcançado)"), report.destinationServer);
    }
    rows << pair(QStringLiteral("Base de dados de origem"), report.sourceDatabase)
         << pair(QStringLiteral("Base de dados de destino"), report.destinationDatabase)
         << pair(QStringLiteral("Existências pedidas"), report.stocks ? QStringLiteral("sim") : QStringLiteral("não"))
         << pair(QStringLiteral("Início"), when(report.start)) << pair(QStringLiteral("Fim"), when(report.end));
    if (report.start.isValid() && report.end.isValid())
        rows << pair(QStringLiteral("Duração"), seconds(report.start.msecsTo(report.end)));
    rows << pair(QStringLiteral("Identificador da execução"), report.runId);
    return QStringLiteral("<table class=\"dados\">\n") + rows.join(QString()) + QStringLiteral("</table>\n");
}

QString steps(const RunReport& report)
{
    if (report.steps.empty())
        return QStringLiteral("<p>Nenhum passo chegou a correr.</p>\n");
    std::int64_t longest = 1;
    for (const StepFacts& step : report.steps)
        longest = std::max(longest, step.milliseconds);

    QString out = QStringLiteral("<table class=\"passos\">\n");
    out += row({QStringLiteral("Passo"), QStringLiteral("Registos na origem"),
                report.verifyOnly ? QStringLiteral("No destino ficariam") : QStringLiteral("No destino após o passo"),
                QStringLiteral("Tempo"), QStringLiteral("Resultado")},
               QStringLiteral("th"));
    for (const StepFacts& step : report.steps) {
        QStringList tables;
        for (const auto& [table, rows] : step.tableRows)
            tables.append(QStringLiteral("%1 em %2").arg(number(rows), text(table)));
        const int width = int(std::lround(100.0 * double(step.milliseconds) / double(longest)));
        out += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td>%3</td>"
                              "<td class=\"tempo\"><span class=\"barra\"><span style=\"width: %4%\"></span></span>%5</td>"
                              "<td%6>%7</td></tr>\n")
                   .arg(text(step.name), step.sourceRows < 0 ? QStringLiteral("—") : number(step.sourceRows),
                        tables.isEmpty() ? QStringLiteral("—") : tables.join(QStringLiteral("<br>")))
                   .arg(width)
                   .arg(seconds(step.milliseconds), step.done ? QString() : QStringLiteral(" class=\"falhou\""),
                        step.done ? QStringLiteral("concluído") : QStringLiteral("falhou"));
    }
    out += QStringLiteral("</table>\n");
    if (qsizetype(report.steps.size()) < conversionStepCount(report.stocks))
        out += QStringLiteral("<p>Os passos que não aparecem não chegaram a correr.</p>\n");
    return out;
}

QString badRows(const RunReport& report)
{
    if (report.badRows.empty())
        return QStringLiteral("<p>A procura não nomeou nenhum registo recusado pelo destino.</p>\n");
    QString out = QStringLiteral("<table class=\"recusados\">\n");
    out += row({QStringLiteral("Tabela"), QStringLiteral("Código"), QStringLiteral("Coluna"),
                QStringLiteral("O que está errado")},
               QStringLiteral("th"));
    for (const BadRowFacts& bad : report.badRows)
        out += row({text(bad.table), text(bad.code), bad.column.isEmpty() ? QStringLiteral("—") : text(bad.column),
                    text(bad.rule)});
    return out + QStringLiteral("</table>\n");
}

QString stock(const RunReport& report)
{
    if (!report.stocks)
        return QStringLiteral("<p>As existências não foram pedidas.</p>\n");
    if (!report.stock)
        return QStringLiteral("<p>O documento de stock não chegou a ser escrito.</p>\n");
    if (!report.stock->written)
        return QStringLiteral("<p>Nenhum produto tem stock: não há documento.</p>\n");
    return QStringLiteral("<p>Documento <strong>IN %1</strong>, com <strong>%2</strong> linhas%3.</p>\n")
        .arg(report.stock->number)
        .arg(number(report.stock->lines))
        .arg(report.verifyOnly ? QStringLiteral(" (seria escrito; a verificação não o guardou)") : QString());
}

}  // namespace

QString reportPage(const RunReport& report)
{
    const QString title =
        report.verifyOnly ? QStringLiteral("Relatório da verificação") : QStringLiteral("Relatório da conversão");
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-PT\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<title>%1 — %2</title>\n<style>%3</style>\n</head>\n<body>\n")
                       .arg(title, text(report.destinationDatabase), QString::fromUtf8(kStyle));
    page += QStringLiteral("<h1>%1</h1>\n").arg(title);
    page += QStringLiteral("<div class=\"resultado %1\">Resultado: %2</div>\n")
                .arg(report.complete ? QStringLiteral("bom") : QStringLiteral("mau"), text(report.result));
    page += servers(report);
    page += QStringLiteral("<h2>Passos</h2>\n") + steps(report);
    page += QStringLiteral("<h2>Registos recusados</h2>\n") + badRows(report);
    page += QStringLiteral("<h2>Existências</h2>\n") + stock(report);
    page += QStringLiteral("<h2>Registo da execução</h2>\n<pre>") + text(report.log.join(u'\n')) +
            QStringLiteral("</pre>\n</body>\n</html>\n");
    return page;
}

}  // namespace core
