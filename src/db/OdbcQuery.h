#pragma once

#include "db/OdbcStatement.h"
#include "db/Query.h"

#include <memory>

namespace db::odbc {

class Session;

// A query of an OdbcConnection. Each statement gets its own handle, released
// once its rows are fetched, so the other query can run on the connection
// while these rows are read (some drivers allow one active result per
// connection). executeForRows keeps one prepared statement for all its batches.
class OdbcQuery final : public Query {
public:
    OdbcQuery(Session& session, const QString& name);
    ~OdbcQuery() override;

protected:
    void runExecute(const NamedStatement& statement, const std::vector<ParamValue>& values) override;
    ResultSet runOpen(const NamedStatement& statement, const std::vector<ParamValue>& values) override;
    void runBatch(const NamedStatement& statement, const std::vector<std::vector<ParamValue>>& rows,
                  int firstRow) override;
    void endBatches() override;

private:
    struct Batch;

    Statement newStatement() const;
    QString writeText(const QString& sql) const;
    // Runs a write, telling the session when the destination acted on its own in it.
    template <typename Write>
    void write(Write&& write);
    void runBatchOf(const NamedStatement& statement, const std::vector<std::vector<ParamValue>>& rows, int firstRow);
    Statement run(const NamedStatement& statement, const std::vector<ParamValue>& values);
    bool runArray(const std::vector<std::vector<ParamValue>>& rows, int firstRow);
    void runRowByRow(const std::vector<std::vector<ParamValue>>& rows, int firstRow);

    Session& m_session;
    std::unique_ptr<Batch> m_batch;
};

}  // namespace db::odbc
