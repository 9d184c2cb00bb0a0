#include "core/StockTransfer.h"

#include "core/RunFailure.h"
#include "core/Transaction.h"

#include <QTime>
#include <vector>

namespace core {

namespace {

const QString kStockRows =
    QStringLiteral("SELECT e.codigo, e.existencia, p.descricao FROM @origem.dbo.Existencias e INNER JOIN @origem.dbo.Produtos p ON e.codigo = p.codigo");
const QString kLastDocument =
    QStringLiteral("SELECT TOP 1 numero AS num FROM @destino.dbo.documentos WITH (UPDLOCK, HOLDLOCK) WHERE doc = 'IN' AND numero >= 0 AND numero <= 99999 ORDER BY numero DESC");
const QString kLine =
    QStringLiteral("INSERT INTO @destino.dbo.vendas (numero, doc, codigo, data, datahora, descricao, qtd, armazem, empid) VALUES (:numero, 'IN', :codigo, :data, :datahora, :descricao, :qtd, 0, 1)");
const QString kHeader =
    QStringLiteral("INSERT INTO @destino.dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) VALUES (:numero, 'IN', :data,  :datahora, 0, 'Acerto directo de stock', 0, '', 0, 0, 1, 1)");

const QString kLinesTable = QStringLiteral("vendas");

QDateTime midnightOf(const QDateTime& moment)
{
    return QDateTime(moment.date(), QTime(0, 0));
}

}  // namespace

std::optional<StockDocument> runStockTransfer(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                              db::Query& q_aux, ConversionSink& sink, const Clock& now)
{
    std::optional<StockDocument> written;
    q_aux.setSql(substituteNames(kStockRows, names));
    q_aux.open();
    if (q_aux.hasRow()) {
        const int rows = q_aux.rowCount();
        sink.addLog(QStringLiteral("A converter stocks para ") + QString::number(rows) + QStringLiteral(" produtos..."));

        // Lines without their header would be a corrupt document: all or nothing.
        inTransaction(cn, [&] {
            // Locked until the document is written, so that another session's
            // document, even one not yet committed, is waited for and followed.
            q_exec.setSql(substituteNames(kLastDocument, names));
            q_exec.open();
            // The query only sees numbers up to 99999, so the increment cannot overflow.
            const std::int32_t number = q_exec.hasRow() ? q_exec.asInteger(0) + 1 : 1;
            q_exec.close();

            const QDateTime documentTime = now();

            q_exec.setSql(substituteNames(kLine, names));
            std::vector<std::int32_t> codes;  // of the lines bound so far, to name a refused one
            codes.reserve(std::size_t(rows));
            try {
                q_exec.executeForRows(rows, [&](int row) {
                    // Each batch is sent once its last row is bound: the rows before this one are written.
                    if (row > 0 && row % db::Query::kBatchRows == 0)
                        sink.rowsWritten(kLinesTable, row, rows);
                    const QDateTime lineTime = now();
                    q_exec.setInteger(QStringLiteral("numero"), number);
                    codes.push_back(q_aux.asInteger(QStringLiteral("codigo")));
                    q_exec.setInteger(QStringLiteral("codigo"), codes.back());
                    q_exec.setDateTime(QStringLiteral("data"), midnightOf(lineTime));
                    q_exec.setDateTime(QStringLiteral("datahora"), lineTime);
                    q_exec.setText(QStringLiteral("descricao"), q_aux.asText(QStringLiteral("descricao")));
                    q_exec.setAmount(QStringLiteral("qtd"), q_aux.asAmount(QStringLiteral("existencia")));
                    q_aux.next();
                });
            } catch (const db::DbError& failure) {
                const std::optional<int> line = failure.row();
                if (!line || *line < 1 || std::size_t(*line) > codes.size())
                    throw;
                throw RowRefused(failure, QStringLiteral("Existencias, código %1: %2.")
                                              .arg(codes[std::size_t(*line - 1)])
                                              .arg(failure.reason()));
            }
            sink.rowsWritten(kLinesTable, rows, rows);

            q_exec.setSql(substituteNames(kHeader, names));
            q_exec.setInteger(QStringLiteral("numero"), number);
            q_exec.setDateTime(QStringLiteral("data"), midnightOf(now()));
            q_exec.setDateTime(QStringLiteral("datahora"), documentTime);
            q_exec.execute();
            written = StockDocument{rows, number};
        }, {QStringLiteral("vendas"), QStringLiteral("documentos")});
    }
    q_aux.close();
    sink.progressStep();
    return written;
}

}  // namespace core
