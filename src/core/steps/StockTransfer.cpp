#include "core/steps/StockTransfer.h"

#include "core/common/RunFailure.h"
#include "core/common/Transaction.h"
#include "db/DbError.h"
#include "db/RowCursor.h"
#include "db/SqlLiteral.h"

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

// The line statement's columns, in its order.
const QStringList kLineColumns{"numero", "doc", "codigo", "data", "datahora", "descricao", "qtd", "armazem", "empid"};

// Writes a document's lines, one per stock row, each dated when it is
// written; returns how many.
class LineWriter {
public:
    LineWriter(const DatabaseNames& names, const StockSides& sides, StockRows& stock, ConversionSink& sink,
               const Clock& now, std::int32_t number, int expected)
        : m_names(names), m_sides(sides), m_stock(stock), m_sink(sink), m_now(now), m_number(number),
          m_expected(expected)
    {
    }

    int write()
    {
        if (m_sides.bulk) {
            if (const std::optional<BulkPlan> plan = m_sides.bulk->plan(kLinesTable, kLineColumns))
                return inBulk(*plan);
        }
        return inArrays();
    }

private:
    // The line's values in kLineColumns' order, from the next stock row; false when there is none.
    bool next(std::vector<db::ParamValue>& line)
    {
        // A batch goes once its last row is bound: the rows before this one are written.
        if (m_written > 0 && m_written % db::Query::kBatchRows == 0)
            m_sink.rowsWritten(kLinesTable, m_written, m_expected);
        if (!m_stock.next(m_row))
            return false;
        const QDateTime lineTime = m_now();
        line = {m_number, QStringLiteral("IN"), m_row.code, midnightOf(lineTime), lineTime, m_row.description,
                m_row.quantity, 0, 1};
        ++m_written;
        return true;
    }

    int inBulk(const BulkPlan& plan)
    {
        TableLoad load(m_sides.cn, m_sides.q_exec, m_names, kLinesTable, plan);
        std::vector<db::ParamValue> line;
        std::vector<db::ParamValue> values(plan.columns.size());
        while (next(line)) {
            for (std::size_t c = 0; c < values.size(); ++c)
                values[c] = std::move(line[std::size_t(plan.values[c])]);
            load->send(values);
        }
        load.finish();
        return m_written;
    }

    int inArrays()
    {
        db::Query& q = m_sides.q_exec;
        q.setSql(substituteNames(kLine, m_names));
        std::vector<db::ParamValue> line;
        std::vector<std::int32_t> codes;  // of the lines bound so far, to name a refused one
        try {
            q.executeForEach([&] {
                if (!next(line))
                    return false;
                codes.push_back(m_row.code);
                q.setInteger(QStringLiteral("numero"), m_number);
                q.setInteger(QStringLiteral("codigo"), m_row.code);
                q.setDateTime(QStringLiteral("data"), std::get<QDateTime>(line[3]));
                q.setDateTime(QStringLiteral("datahora"), std::get<QDateTime>(line[4]));
                q.setText(QStringLiteral("descricao"), m_row.description);
                q.setAmount(QStringLiteral("qtd"), m_row.quantity);
                return true;
            });
        } catch (const db::TransactionLost&) {
            throw;
        } catch (const db::DbError& failure) {
            const std::optional<int> refused = failure.row();
            if (!refused || *refused < 1 || std::size_t(*refused) > codes.size())
                throw;
            const QString code = QString::number(codes[std::size_t(*refused - 1)]);
            throw RowRefused(failure, QStringLiteral("Existencias, código %1: %2.").arg(code, failure.reason()),
                             {QStringLiteral("Existencias"), code, {}, failure.reason()});
        }
        return m_written;
    }

    const DatabaseNames& m_names;
    const StockSides& m_sides;
    StockRows& m_stock;
    ConversionSink& m_sink;
    const Clock& m_now;
    const std::int32_t m_number;
    const int m_expected;
    StockRow m_row;
    int m_written = 0;
};

}  // namespace

std::optional<StockDocument> runStockTransfer(const DatabaseNames& names, const StockSides& sides, ConversionSink& sink,
                                              const Clock& now,
                                              const std::function<void(const StockDocument&)>& numbered)
{
    std::optional<StockDocument> written;
    StockRows stock(names, sides.q_aux, sides.sourceReader);
    const int rows = stock.count();
    if (rows > 0) {
        sink.addLog(QStringLiteral("A converter stocks para ") + QString::number(rows) + QStringLiteral(" produtos..."));

        // Lines without their header would be a corrupt document: all or nothing.
        db::Query& q_exec = sides.q_exec;
        TablesTouched touched;
        const auto acted = [&](const QString& table) {
            return destinationActed(QStringLiteral("Existencias"), table, false, names, q_exec, touched);
        };
        inTransaction(sides.cn, [&] {
            // Locked until the document is written, so that another session's
            // document, even one not yet committed, is waited for and followed.
            q_exec.setSql(substituteNames(kLastDocument, names));
            q_exec.open();
            // The query only sees numbers up to 99999, so the increment cannot overflow.
            const std::int32_t number = q_exec.hasRow() ? q_exec.asInteger(0) + 1 : 1;
            q_exec.close();

            const QDateTime documentTime = now();
            if (numbered)
                numbered(StockDocument{0, number, documentTime});

            touched.add(kLinesTable, false);
            int lines = 0;
            try {
                lines = LineWriter(names, sides, stock, sink, now, number, rows).write();
            } catch (const db::TransactionLost&) {
                throw acted(kLinesTable);
            }
            stock.close();
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
            written = StockDocument{lines, number, documentTime};
        }, touched);
    }
    stock.close();
    sink.progressStep();
    return written;
}

TableStep stockLinesStep(const StockDocument& document, std::optional<std::int32_t> onlyCode)
{
    const auto constant = [](const QString& literal) { return ColumnValue{literal, true}; };
    const auto moment = [&](const QDateTime& t) {
        QString literal;
        db::appendSqlLiteral(literal, t);
        return constant(literal);
    };
    RowCopy lines{.destinationTable = kLinesTable, .sourceTable = QStringLiteral("Existencias"),
                  .columns = {{"numero", constant(QString::number(document.number))}, {"doc", constant("'IN'")},
                              {"codigo"}, {"data", moment(midnightOf(document.time))},
                              {"datahora", moment(document.time)}, {"descricao", {"ISNULL(descricao, N'')"}},
                              {"qtd", {"ISNULL(existencia, 0)"}}, {"armazem", constant("0")},
                              {"empid", constant("1")}},
                  .rows = QStringLiteral("(SELECT e.codigo, e.existencia, p.descricao FROM @origem.dbo.Existencias e "
                                         "INNER JOIN @origem.dbo.Produtos p ON e.codigo = p.codigo%1) AS Existencias")
                              .arg(onlyCode ? QStringLiteral(" WHERE e.codigo = %1").arg(*onlyCode) : QString()),
                  .appends = true};
    return TableStep{QStringLiteral("Existencias"), {}, {}, {lines}, {}, {}, {kLinesTable}};
}

}  // namespace core
