#pragma once

// A stand-in for the database layer that records every call made on the
// connection and its queries, answers open() with scripted results, and can be
// told to fail or to pause at chosen calls.

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Query.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace recording {

struct Call {
    QString what;                      // "cn.open", "q_exec.execute", "q_aux.open", ...
    QString sql;                       // the statement as set, for query calls
    std::vector<db::ParamValue> values;  // bound values, in marker order
};

class Recorder {
public:
    // open() of a statement containing sqlPart answers with result; the rule
    // added last wins. Without a matching rule the result has no columns and no rows.
    void respond(const QString& sqlPart, db::ResultSet result);

    // The n-th call (1-based, counting every call) raises DbError(message).
    void failAtCall(int n, const QString& message);
    // Every call whose "what" equals what and whose SQL contains sqlPart raises DbError(message).
    void failWhen(const QString& what, const QString& sqlPart, const QString& message);

    // Runs before each call is recorded, on the calling thread.
    std::function<void(const Call&)> beforeCall;

    std::vector<Call> calls() const;
    // "what" or "what: sql", one per call.
    QStringList lines() const;
    // Only the SQL of calls whose "what" equals what.
    QStringList sqlOf(const QString& what) const;
    int batchCount() const;
    // Forgets the calls and the failures; the scripted results stay.
    void clear();

    // Used by the fakes.
    void record(Call call);
    db::ResultSet resultFor(const QString& sql) const;
    void countBatch();

private:
    struct Rule {
        QString sqlPart;
        db::ResultSet result;
    };
    struct Failure {
        int callNumber;  // 0: match by what/sqlPart
        QString what;
        QString sqlPart;
        QString message;
    };

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::vector<Rule> m_rules;
    std::vector<Failure> m_failures;
    int m_batches = 0;
};

class RecordingConnection : public db::Connection {
public:
    explicit RecordingConnection(std::shared_ptr<Recorder> recorder);

    void setTarget(const db::ConnectionTarget& target) override;
    db::ConnectionTarget target() const override { return m_target; }
    void open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void beginTransaction() override;
    void commit() override;
    void rollback() override;
    void setStatementTimeout(std::chrono::seconds) override {}
    std::unique_ptr<db::Query> createQuery(const QString& name) override;
    // Recorded as "cn.confirm"; a failure planted there is a transaction lost.
    void confirmTransaction() override;

    // Takes rows by bulk load once offered: "bulk.start" (the table),
    // "bulk.send" (a row's values), "bulk.finish" are recorded.
    void offerBulkLoads() { m_bulkLoads = true; }
    bool bulkLoads() const override { return m_bulkLoads; }
    std::unique_ptr<db::BulkLoad> startBulkLoad(const QString& table, std::vector<db::BulkColumn> columns) override;

    Recorder& recorder() { return *m_recorder; }

private:
    std::shared_ptr<Recorder> m_recorder;
    db::ConnectionTarget m_target;
    bool m_open = false;
    bool m_bulkLoads = false;
};

// A result with the given columns and rows of text; use std::nullopt for NULL.
db::ResultSet makeResult(const QStringList& columns, std::vector<db::ResultSet::Row> rows = {});
// A one-column, one-row result holding a number, as a COUNT answers.
db::ResultSet singleValue(const QString& column, const QString& value);

// Readable form of a target, as "cn.setTarget" records it: its non-empty
// parts, "host=srv;instance=SQLEXPRESS;login=sa/pw;database=master", the
// encryption asked only when it is.
QString describe(const db::ConnectionTarget& target);

// Readable form of a bound value: "int:5", "text:abc", "amount:1.5000",
// "datetime:2026-01-02T03:04:05", "null".
QString describe(const db::ParamValue& value);

}  // namespace recording
