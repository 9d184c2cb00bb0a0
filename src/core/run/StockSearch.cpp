#include "core/run/StockSearch.h"

#include "core/common/RunFailure.h"
#include "core/search/BadRows.h"

namespace core {

namespace {

// Passes everything on, counting the rows named.
class NamingCounter final : public ConversionSink {
public:
    explicit NamingCounter(ConversionSink& sink) : m_sink(sink) {}

    void addLog(const QString& line) override { m_sink.addLog(line); }
    void progressStep() override { m_sink.progressStep(); }
    void rowsWritten(const QString& table, qint64 done, qint64 expected) override
    {
        m_sink.rowsWritten(table, done, expected);
    }
    bool keepsFacts() const override { return m_sink.keepsFacts(); }
    void stepEnded(const StepFacts& facts) override { m_sink.stepEnded(facts); }
    void badRowNamed(const BadRowFacts& facts) override
    {
        ++named;
        m_sink.badRowNamed(facts);
    }
    void serversFound(const ServersFound& servers) override { m_sink.serversFound(servers); }
    void stockDocument(const StockFacts& facts) override { m_sink.stockDocument(facts); }
    void reportWritten(const QString& path) override { m_sink.reportWritten(path); }

    int named = 0;

private:
    ConversionSink& m_sink;
};

}  // namespace

SearchEnd nameRefusedStockLines(const std::exception& failure, const StockDocument& document,
                                const DatabaseNames& names, const StepSides& sides, ConversionSink& sink, bool undone)
{
    const auto* known = dynamic_cast<const RowRefused*>(&failure);
    NamingCounter counter(sink);
    SearchEnd search;
    search.undone = undone;
    // Where the document's work may have stayed, or the destination acted on its own, nothing more is tried there.
    if (undone && leftWorkNote(failure).isEmpty() && !stopsTheRun(failure)) {
        const std::optional<std::int32_t> code = known ? std::optional(known->row().code.toInt()) : std::nullopt;
        search = nameBadRows(stockLinesStep(document, code), names, sides, counter);
    }
    if (known && counter.named == 0 && !search.stopped) {
        sink.addLog(known->line());
        sink.badRowNamed(known->row());
    }
    return search;
}

}  // namespace core
