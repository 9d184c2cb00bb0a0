#include "ServerHarness.h"

#include "ExpectedRows.h"
#include "QStringPrinting.h"

#include <gtest/gtest.h>

#include "core/common/ConversionSink.h"
#include "core/links/DataLinkFile.h"
#include "core/run/Conversion.h"
#include "core/run/Verification.h"
#include "db/FreeTdsConfig.h"
#include "db/OdbcConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace harness {

namespace {

// As the program's main does, before any thread: the sections a checked
// certificate needs go to a file of this test's own.
const bool kOwnFreeTdsConfig = [] {
    db::useOwnFreeTdsConfig(QDir::tempPath() + QStringLiteral("/kovara-tests-%1/freetds.conf").arg(QCoreApplication::applicationPid()));
    return true;
}();

class EventSink : public core::ConversionSink {
public:
    void addLog(const QString& line) override { events.append(line); }
    void progressStep() override { events.append(kStep); }
    QStringList events;
};

}  // namespace

core::Clock steppingClock(const QDateTime& start)
{
    auto next = std::make_shared<QDateTime>(start);
    return [next] {
        const QDateTime now = *next;
        *next = next->addSecs(1);
        return now;
    };
}

QString sqlText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

ServerHarness::ServerHarness() = default;
ServerHarness::~ServerHarness() = default;

bool ServerHarness::connect()
{
    const std::optional<server::ServerSettings> settings = server::settingsFromEnvironment();
    if (!settings)
        return false;
    connect(settings->odbc);
    return true;
}

void ServerHarness::connect(const QString& odbc)
{
    m_settings = server::parseSettings(odbc);
    m_destinationSchema = server::loadFixture(server::kDestinationScripts);
    m_admin = std::make_unique<server::SqlSession>(m_settings->odbc);
}

server::ScratchDatabase& ServerHarness::source(const server::SourceVariant& variant, const QString& stem)
{
    m_databases.push_back(std::make_unique<server::ScratchDatabase>(*m_admin, stem));
    m_databases.back()->runScripts(variant.scripts());
    return *m_databases.back();
}

server::ScratchDatabase& ServerHarness::destination(const QString& stem, bool exactName)
{
    m_databases.push_back(std::make_unique<server::ScratchDatabase>(*m_admin, stem, exactName));
    m_databases.back()->runScripts(server::kDestinationScripts);
    return *m_databases.back();
}

QString ServerHarness::initString(const QString& database, const QString& password) const
{
    // Written as the Windows data link dialog writes it; the tool cuts it at
    // ';', so no value may hold one.
    return QStringLiteral("SQLOLEDB.1;Password=") + password + QStringLiteral(";Persist Security Info=True;User ID=") +
           m_settings->user + QStringLiteral(";Initial Catalog=") + database + QStringLiteral(";Data Source=") +
           m_settings->dataSource();
}

std::pair<QString, QString> ServerHarness::writeLinkFiles(const QString& folder, const QString& sourceDatabase,
                                                         const QString& destinationDatabase,
                                                         const std::optional<QString>& password) const
{
    const QString origem = folder + QStringLiteral("/origem.udl");
    const QString destino = folder + QStringLiteral("/destino.udl");
    server::writeDataLinkFile(origem, initString(sourceDatabase, password.value_or(m_settings->password)));
    server::writeDataLinkFile(destino, initString(destinationDatabase, m_settings->password));
    return {origem, destino};
}

QStringList ServerHarness::run(const QString& sourceDatabase, const QString& destinationDatabase, bool stocks,
                               const core::Clock& clock, const std::optional<QString>& password)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        throw server::OdbcFailure("cannot create a temporary folder for the data link files");
    const auto [origem, destino] = writeLinkFiles(folder.path(), sourceDatabase, destinationDatabase, password);
    return runFromFiles(origem, destino, stocks, clock);
}

QStringList ServerHarness::runFromFiles(const QString& origem, const QString& destino, bool stocks,
                                        const core::Clock& clock, bool dryRun)
{
    const QString sourceInit = core::readInitString(origem);
    const QString destinationInit = core::readInitString(destino);
    if (sourceInit.isEmpty() || destinationInit.isEmpty())
        throw server::OdbcFailure("the data link files just written read as empty");

    db::OdbcConnection cn;
    const std::unique_ptr<db::Query> q_exec = cn.createQuery(QStringLiteral("q_exec"));
    const std::unique_ptr<db::Query> q_aux = cn.createQuery(QStringLiteral("q_aux"));
    EventSink sink;
    (dryRun ? core::verifyConversion : core::runConversion)({cn, *q_exec, *q_aux}, core::readLink(sourceInit, origem),
                                                            core::readLink(destinationInit, destino), stocks, sink,
                                                            clock);
    return sink.events;
}

QStringList ServerHarness::tableRows(const server::ScratchDatabase& db, const QString& table, const QString& orderBy)
{
    const server::TableDef* def = m_destinationSchema.table(table);
    if (!def)
        throw server::OdbcFailure(("no destination table " + table).toStdString());
    QStringList columns;
    for (const server::ColumnDef& c : def->columns)
        columns.append(server::canonicalText(c));
    return m_admin->rows(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                         db.table(table) + QStringLiteral(" ORDER BY ") + orderBy);
}

void ServerHarness::expectConverted(const server::ScratchDatabase& dst, const server::SourceVariant& v, int first,
                                    int last)
{
    const auto table = [&](const char* name) -> const server::TableDef& {
        const server::TableDef* def = m_destinationSchema.table(QLatin1String(name));
        if (!def)
            throw server::OdbcFailure(std::string("no destination table ") + name);
        return *def;
    };
    struct Check {
        int step;
        const char* table;
        const char* orderBy;
        QStringList rows;
    };
    const Check checks[] = {
        {1, "clientes", "codigo", expected::clientes(table("clientes"), v.ivacaixa)},
        {2, "empregados", "codigo", expected::empregados(table("empregados"))},
        {3, "subfamilias", "codigo", expected::subfamilias(table("subfamilias"), v.fundo)},
        {4, "familias", "codigo", expected::familias(table("familias"), v.frontoffice)},
        {4, "famzonas", "familia, zona", expected::famzonas()},
        {5, "iva", "codigo", expected::iva(table("iva"))},
        {6, "produtos", "codigo", expected::produtos(table("produtos"), v.referencia)},
        {6, "codigosbarras", "codbarras", expected::codigosbarras(v.referencia)},
        {7, "fornecedores", "codigo", expected::fornecedores(table("fornecedores"))},
        {8, "unidades", "codigo", expected::unidades(table("unidades"))},
    };
    for (const Check& c : checks) {
        if (first <= c.step && c.step <= last) {
            EXPECT_EQ(tableRows(dst, QLatin1String(c.table), QLatin1String(c.orderBy)), c.rows) << c.table;
        }
    }
}

QStringList ServerHarness::everyRow(const server::ScratchDatabase& dst)
{
    QStringList rows;
    for (const server::TableDef& table : m_destinationSchema.tables()) {
        QStringList tableRows = this->tableRows(dst, table.name, QStringLiteral("1"));
        tableRows.sort();
        for (const QString& row : tableRows)
            rows.append(table.name + u':' + row);
    }
    return rows;
}

}  // namespace harness
