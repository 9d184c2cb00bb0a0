#include "RecordingDatabase.h"

#include <utility>

namespace recording {

namespace {

class RecordingQuery : public db::Query {
public:
    RecordingQuery(QString name, std::shared_ptr<Recorder> recorder)
        : db::Query(std::move(name)), m_recorder(std::move(recorder)) {}

protected:
    void runExecute(const db::NamedStatement&, const std::vector<db::ParamValue>& values) override
    {
        m_recorder->record({name() + QStringLiteral(".execute"), sql(), values});
    }

    db::ResultSet runOpen(const db::NamedStatement&, const std::vector<db::ParamValue>& values) override
    {
        m_recorder->record({name() + QStringLiteral(".open"), sql(), values});
        return m_recorder->resultFor(sql());
    }

    void runBatch(const db::NamedStatement&, const std::vector<std::vector<db::ParamValue>>& rows, int firstRow) override
    {
        m_recorder->countBatch();
        int row = firstRow;
        for (const std::vector<db::ParamValue>& values : rows) {
            try {
                m_recorder->record({name() + QStringLiteral(".execute"), sql(), values});
            } catch (const db::DbError& e) {
                throw db::DbError(e.message() + QStringLiteral(" (linha %1)").arg(row));
            }
            ++row;
        }
    }

private:
    std::shared_ptr<Recorder> m_recorder;
};

}  // namespace

void Recorder::respond(const QString& sqlPart, db::ResultSet result)
{
    std::lock_guard lock(m_mutex);
    m_rules.push_back({sqlPart, std::move(result)});
}

void Recorder::failAtCall(int n, const QString& message)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({n, {}, {}, message});
}

void Recorder::failWhen(const QString& what, const QString& sqlPart, const QString& message)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({0, what, sqlPart, message});
}

void Recorder::record(Call call)
{
    if (beforeCall)
        beforeCall(call);
    std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
    const int number = int(m_calls.size());
    for (const Failure& f : m_failures) {
        const bool hit = f.callNumber > 0 ? f.callNumber == number
                                          : f.what == call.what && call.sql.contains(f.sqlPart);
        if (hit)
            throw db::DbError(f.message);
    }
}

db::ResultSet Recorder::resultFor(const QString& sql) const
{
    std::lock_guard lock(m_mutex);
    for (auto rule = m_rules.rbegin(); rule != m_rules.rend(); ++rule) {
        if (sql.contains(rule->sqlPart))
            return rule->result;
    }
    return {};
}

void Recorder::countBatch()
{
    std::lock_guard lock(m_mutex);
    ++m_batches;
}

std::vector<Call> Recorder::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

QStringList Recorder::lines() const
{
    QStringList out;
    for (const Call& c : calls())
        out.append(c.sql.isEmpty() ? c.what : c.what + QStringLiteral(": ") + c.sql);
    return out;
}

QStringList Recorder::sqlOf(const QString& what) const
{
    QStringList out;
    for (const Call& c : calls()) {
        if (c.what == what)
            out.append(c.sql);
    }
    return out;
}

int Recorder::batchCount() const
{
    std::lock_guard lock(m_mutex);
    return m_batches;
}

void Recorder::clear()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_failures.clear();
    m_batches = 0;
}

RecordingConnection::RecordingConnection(std::shared_ptr<Recorder> recorder) : m_recorder(std::move(recorder)) {}

void RecordingConnection::setTarget(const db::ConnectionTarget& target)
{
    if (target == m_target)
        return;
    if (m_open)
        throw db::DbError(QStringLiteral("Operation is not allowed when the connection is open"));
    m_recorder->record({QStringLiteral("cn.setTarget"), describe(target), {}});
    m_target = target;
}

QString describe(const db::ConnectionTarget& target)
{
    QStringList parts;
    const auto part = [&](const char* name, const QString& value) {
        if (!value.isEmpty())
            parts.append(QLatin1String(name) + u'=' + value);
    };
    part("odbc", target.odbc);
    part("dsn", target.dataSource);
    part("host", target.host);
    part("instance", target.instance);
    part("port", target.port);
    part("login", target.login == db::Login::Windows      ? QStringLiteral("windows")
                  : target.login == db::Login::DataSource ? QStringLiteral("data source")
                                                          : target.user + u'/' + target.password);
    part("database", target.database);
    if (target.encryption != db::Encryption::DriverDefault) {
        part("encryption", target.encryption == db::Encryption::Strict ? QStringLiteral("strict") : QStringLiteral("required"));
        part("trust", target.trustServerCertificate ? QStringLiteral("yes") : QStringLiteral("no"));
        part("certificate", target.certificateName);
    }
    return parts.join(u';');
}

void RecordingConnection::open()
{
    if (m_open)
        return;
    m_recorder->record({QStringLiteral("cn.open"), {}, {}});
    m_open = true;
}

void RecordingConnection::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_recorder->record({QStringLiteral("cn.close"), {}, {}});
}

void RecordingConnection::beginTransaction()
{
    m_recorder->record({QStringLiteral("cn.begin"), {}, {}});
}

void RecordingConnection::commit()
{
    m_recorder->record({QStringLiteral("cn.commit"), {}, {}});
}

void RecordingConnection::rollback()
{
    m_recorder->record({QStringLiteral("cn.rollback"), {}, {}});
}

std::unique_ptr<db::Query> RecordingConnection::createQuery(const QString& name)
{
    return std::make_unique<RecordingQuery>(name, m_recorder);
}

void RecordingConnection::confirmTransaction()
{
    try {
        m_recorder->record({QStringLiteral("cn.confirm"), {}, {}});
    } catch (const db::DbError& e) {
        throw db::TransactionLost(e.message());
    }
}

namespace {

class RecordingBulkLoad final : public db::BulkLoad {
public:
    explicit RecordingBulkLoad(std::shared_ptr<Recorder> recorder) : m_recorder(std::move(recorder)) {}
    bool carries(const std::vector<db::ParamValue>&) const override { return true; }
    void send(const std::vector<db::ParamValue>& row) override
    {
        m_recorder->record({QStringLiteral("bulk.send"), {}, row});
    }
    void finish() override { m_recorder->record({QStringLiteral("bulk.finish"), {}, {}}); }

private:
    std::shared_ptr<Recorder> m_recorder;
};

}  // namespace

std::unique_ptr<db::BulkLoad> RecordingConnection::startBulkLoad(const QString& table, std::vector<db::BulkColumn>)
{
    if (!m_bulkLoads)
        return nullptr;
    m_recorder->record({QStringLiteral("bulk.start"), table, {}});
    return std::make_unique<RecordingBulkLoad>(m_recorder);
}

db::ResultSet makeResult(const QStringList& columns, std::vector<db::ResultSet::Row> rows)
{
    db::ResultSet result;
    result.columns = columns;
    result.rows = std::move(rows);
    return result;
}

db::ResultSet singleValue(const QString& column, const QString& value)
{
    return makeResult({column}, {{value}});
}

QString describe(const db::ParamValue& value)
{
    struct Describer {
        QString operator()(std::monostate) const { return QStringLiteral("null"); }
        QString operator()(std::int32_t v) const { return QStringLiteral("int:%1").arg(v); }
        QString operator()(const QString& v) const { return QStringLiteral("text:") + v; }
        QString operator()(const db::Amount& v) const { return QStringLiteral("amount:") + v.toText(); }
        QString operator()(const QDateTime& v) const
        {
            return QStringLiteral("datetime:") + v.toString(Qt::ISODateWithMs);
        }
        QString operator()(double v) const { return QStringLiteral("double:%1").arg(v); }
        QString operator()(const QByteArray& v) const { return QStringLiteral("bytes:") + QString::fromLatin1(v.toHex()); }
        QString operator()(const db::Timestamp& v) const
        {
            return QStringLiteral("timestamp:%1-%2-%3").arg(v.year).arg(v.month).arg(v.day);
        }
    };
    return std::visit(Describer{}, value);
}

}  // namespace recording
