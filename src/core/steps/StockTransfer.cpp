#include "core/steps/StockTransfer.h"

#include "core/common/RunFailure.h"
#include "core/common/Transaction.h"
#include "db/DbError.h"
#include "db/RowCursor.h"

#include <QTime>
#include <memory>
#include <vector>

namespace core {

namespace {

const QString kStockRows =
    QStringLiteral("SELECT e.codigo, e.existencia, p.descricao FROM @origem.dbo.Existencias e INNER JOIN @origem.dbo.Produtos p ON e.codigo = p.codigo");
const QString kStockCount =
    QStringLiteral("SELECT COUNT(*) FROM @origem.dbo.Existencias e INNER JOIN @origem.dbo.Produtos p ON e.codigo = p.codigo");
const QString kLastDocument =
    QStringLiteral("SELECT TOP 1 numero AS num FROM @destino.dbo.documentos WITH (UPDLOCK, HOLDLOCK) WHERE doc = 'IN' AND numero >= 0 AND numero <= 99999 ORDER BY numero DESC");
const QString kLine =
    QStringLiteral("INSERT INTO @destino.dbo.vendas (numero, doc, codigo, data, datahora, descricao, qtd, armazem, empid) VALUES (:numero, 'IN', :codigo, :data, :datahora, :descricao, :qtd, 0, 1)");
const QString kHeader =
    QStringLiteral("INSERT INTO @destino.dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) VALUES (:numero, 'IN', :data,  :datahora, 0, 'Acerto directo de stock', 0, '', 0, 0, 1, 1)");

const QString kLinesTable = QStringLiteral("vendas");
const QString kHeaderTable = QStringLiteral("documentos");

QDateTime midnightOf(const QDateTime& moment)
{
    return QDateTime(moment.date(), QTime(0, 0));
}

QString textOf(const db::ParamValue& value)
{
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return QString::number(*integer);
    if (const auto* real = std::get_if<double>(&value))
        return QString::number(*real, 'g', 17);
    return {};
}

struct StockRow {
    std::int32_t code = 0;
    db::Amount quantity;
    QString description;
};

// A streamed value as q_aux reads it: NULL is 0 or empty text; a number
// that is not whole, or out of range, is refused.
std::int32_t integerOf(const db::ParamValue& value)
{
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return *integer;
    bool ok = true;
    const std::int32_t whole = std::holds_alternative<std::monostate>(value) ? 0 : textOf(value).toInt(&ok);
    if (!ok)
        throw db::DbError(QStringLiteral("Código de produto inválido: ") + textOf(value));
    return whole;
}

db::Amount amountOf(const db::ParamValue& value)
{
    if (std::holds_alternative<std::monostate>(value))
        return {};
    const std::optional<db::Amount> amount = db::Amount::parse(textOf(value));
    if (!amount)
        throw db::DbError(QStringLiteral("Existência inválida: ") + textOf(value));
    return *amount;
}

// The stock rows, one at a time: streamed from a session of their own, or,
// where there is none, read whole through q_aux.
class StockRows {
public:
    StockRows(const DatabaseNames& names, db::Query& q_aux, db::Connection* reader)
        : m_names(names), m_aux(q_aux), m_reader(reader)
    {
    }

    // How many there are; a stream counts them first.
    int count()
    {
        m_aux.setSql(substituteNames(m_reader ? kStockCount : kStockRows, m_names));
        m_aux.open();
        const int rows = !m_aux.hasRow() ? 0 : m_reader ? m_aux.asInteger(0) : m_aux.rowCount();
        if (m_reader)
            m_aux.close();
        return rows;
    }

    bool next(StockRow& row)
    {
        if (!m_reader) {
            if (m_aux.eof())
                return false;
            row = {m_aux.asInteger(QStringLiteral("codigo")), m_aux.asAmount(QStringLiteral("existencia")),
                   m_aux.asText(QStringLiteral("descricao"))};
            m_aux.next();
            return true;
        }
        if (!m_stream)
            m_stream = m_reader->openCursor(substituteNames(kStockRows, m_names));
        if (!m_stream->next(m_values))
            return false;
        row = {integerOf(m_values[0]), amountOf(m_values[1]), textOf(m_values[2])};
        return true;
    }

    void close()
    {
        m_stream.reset();
        m_aux.close();
    }

private:
    const DatabaseNames& m_names;
    db::Query& m_aux;
    db::Connection* m_reader;
    std::unique_ptr<db::RowCursor> m_stream;
    std::vector<db::ParamValue> m_values;
};

}  // namespace

std::optional<StockDocument> runStockTransfer(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                              db::Query& q_aux, ConversionSink& sink, const Clock& now,
                                              db::Connection* sourceReader)
{
    std::optional<StockDocument> written;
    StockRows stock(names, q_aux, sourceReader);
    const int rows = stock.count();
    if (rows > 0) {
        sink.addLog(QStringLiteral("A converter stocks para ") + QString::number(rows) + QStringLiteral(" produtos..."));

        // Lines without their header would be a corrupt document: all or nothing.
        TablesTouched touched;
        const auto acted = [&](const QString& table) {
            return destinationActed(QStringLiteral("Existencias"), table, false, names, q_exec, touched);
        };
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
            StockRow line;
            touched.add(kLinesTable, false);
            try {
                q_exec.executeForEach([&] {
                    // Each batch is sent once its last row is bound: the rows before this one are written.
                    const int row = int(codes.size());
                    if (row > 0 && row % db::Query::kBatchRows == 0)
                        sink.rowsWritten(kLinesTable, row, rows);
                    if (!stock.next(line))
                        return false;
                    const QDateTime lineTime = now();
                    q_exec.setInteger(QStringLiteral("numero"), number);
                    codes.push_back(line.code);
                    q_exec.setInteger(QStringLiteral("codigo"), line.code);
                    q_exec.setDateTime(QStringLiteral("data"), midnightOf(lineTime));
                    q_exec.setDateTime(QStringLiteral("datahora"), lineTime);
                    q_exec.setText(QStringLiteral("descricao"), line.description);
                    q_exec.setAmount(QStringLiteral("qtd"), line.quantity);
                    return true;
                });
            } catch (const db::TransactionLost&) {
                throw acted(kLinesTable);
            } catch (const db::DbError& failure) {
                const std::optional<int> refused = failure.row();
                if (!refused || *refused < 1 || std::size_t(*refused) > codes.size())
                    throw;
                throw RowRefused(failure, QStringLiteral("Existencias, código %1: %2.")
                                              .arg(codes[std::size_t(*refused - 1)])
                                              .arg(failure.reason()),
                                 {QStringLiteral("Existencias"), QString::number(codes[std::size_t(*refused - 1)]), {},
                                  failure.reason()});
            }
            stock.close();
            const int lines = int(codes.size());
            sink.rowsWritten(kLinesTable, lines, lines);

            q_exec.setSql(substituteNames(kHeader, names));
            q_exec.setInteger(QStringLiteral("numero"), number);
            q_exec.setDateTime(QStringLiteral("data"), midnightOf(now()));
            q_exec.setDateTime(QStringLiteral("datahora"), documentTime);
            touched.add(kHeaderTable, false);
            try {
                q_exec.execute();
            } catch (const db::TransactionLost&) {
                throw acted(kHeaderTable);
            }
            written = StockDocument{lines, number};
        }, touched);
    }
    stock.close();
    sink.progressStep();
    return written;
}

}  // namespace core
