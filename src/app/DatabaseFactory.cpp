#include "app/DatabaseFactory.h"

#include "db/DbError.h"

namespace app {

namespace {

const QString kNoServerAccess =
    QStringLiteral("O acesso ao servidor de base de dados não está disponível nesta versão do programa");

// Stands in for the server connection where this build has none: every run
// fails at its first contact with the server, and says so in the log.
class NoServerQuery final : public db::Query {
public:
    using db::Query::Query;

protected:
    void runExecute(const db::NamedStatement&, const std::vector<db::ParamValue>&) override { fail(kNoServerAccess); }
    db::ResultSet runOpen(const db::NamedStatement&, const std::vector<db::ParamValue>&) override
    {
        fail(kNoServerAccess);
    }
    void runBatch(const db::NamedStatement&, const std::vector<std::vector<db::ParamValue>>&, int) override
    {
        fail(kNoServerAccess);
    }
};

class NoServerConnection final : public db::Connection {
public:
    void setConnectionString(const QString& connectionString) override { m_connectionString = connectionString; }
    QString connectionString() const override { return m_connectionString; }
    void open() override { throw db::DbError(kNoServerAccess); }
    void close() override {}
    bool isOpen() const override { return false; }
    void beginTransaction() override { throw db::DbError(kNoServerAccess); }
    void commit() override { throw db::DbError(kNoServerAccess); }
    void rollback() override { throw db::DbError(kNoServerAccess); }
    std::unique_ptr<db::Query> createQuery(const QString& name) override
    {
        return std::make_unique<NoServerQuery>(name);
    }

private:
    QString m_connectionString;
};

}  // namespace

std::unique_ptr<db::Connection> createConnection()
{
    return std::make_unique<NoServerConnection>();
}

}  // namespace app
