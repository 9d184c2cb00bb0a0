#include "core/run/RunServers.h"

#include "core/common/RunFailure.h"
#include "core/common/ServerIdentity.h"
#include "core/common/Transaction.h"
#include "core/links/LinkCheck.h"
#include "core/links/LinkFiles.h"
#include "core/steps/TableSteps.h"

#include <exception>

namespace core {

namespace {

// The destination tables written from rows read: across servers every
// copy's but those made from the destination's own rows; on one server, and
// across, the stock lines when asked for.
QStringList tablesWrittenFromRows(bool acrossServers, bool stocks)
{
    QStringList tables;
    if (acrossServers) {
        for (const TableStep& step : tableSteps()) {
            for (const std::vector<RowCopy>* copies : {&step.copies, &step.followUps}) {
                for (const RowCopy& copy : *copies) {
                    if (!copy.readsDestination)
                        tables.append(copy.destinationTable);
                }
            }
        }
    }
    if (stocks)
        tables.append(QStringLiteral("vendas"));
    return tables;
}

// The session's encryption as its server says; refused when the link asked
// for it and the server says it is not.
Encrypted checkedEncryption(db::Query& q, const Link& link)
{
    const Encrypted encrypted = sessionEncryption(q);
    if (link.asksEncryption() && encrypted == Encrypted::No)
        throw RunRefused(QStringLiteral("O ficheiro de ligação %1 pede uma ligação cifrada, e o servidor %2 diz que a "
                                        "ligação não está cifrada: nada foi lido nem escrito.")
                             .arg(link.path, link.server));
    return encrypted;
}

QString encryptionLine(const QString& server, Encrypted encrypted)
{
    return QStringLiteral("Ligação cifrada a %1: %2.").arg(server, encryptedWord(encrypted));
}

}  // namespace

Encrypted RunServers::openSource(const Link& login)
{
    openAs(m_database.cn, login, QStringLiteral("master"));
    return checkedEncryption(m_database.q_exec, login);
}

RunServers::RunServers(const Database& database, const Link& source, const Link& destination, bool stocks,
                       ConversionSink& sink)
    : m_database(database)
{
    m_names = {source.database, destination.database};
    const bool oneServerByName = sameServerName(source.server, destination.server);
    // One session serves both files: it gives what either asks of encryption.
    const Link both = withStricterEncryption(source, destination);
    Encrypted sourceEncrypted = openSource(oneServerByName ? both : source);
    Encrypted destinationEncrypted = Encrypted::Unknown;

    if (!oneServerByName) {
        sink.addLog(QStringLiteral("A ligar à base de dados de destino em %1...").arg(destination.server));
        const auto unreachable = [&](const QString& why) {
            return RunRefused(
                QStringLiteral("Não foi possível ligar ao servidor de destino %1: %2").arg(destination.server, why));
        };
        m_destination = database.cn.createPeer();
        if (!m_destination)
            throw unreachable(QStringLiteral("esta ligação não chega a outro servidor"));
        try {
            openAs(*m_destination, destination, QStringLiteral("master"));
            m_destinationQuery = m_destination->createQuery(QStringLiteral("q_exec"));
            destinationEncrypted = checkedEncryption(*m_destinationQuery, destination);
        } catch (const std::exception& e) {
            closeDestination();
            throw unreachable(failureText(e));
        }
        if (sameServer(database.q_exec, *m_destinationQuery)) {
            closeDestination();
            // The source's session now serves the destination file too.
            if (connectionTarget(both, QString()) != connectionTarget(source, QString())) {
                database.cn.close();
                sourceEncrypted = openSource(both);
            }
        } else if (!takesRowsInOneInsert(*m_destinationQuery)) {
            m_rowsInOneInsert = false;
            sink.addLog(kRowsOneByOne);
        }
    }

    sink.addLog(encryptionLine(source.server, sourceEncrypted));
    if (m_destination)
        sink.addLog(encryptionLine(destination.server, destinationEncrypted));
    sink.serversFound({source.server, m_destination ? destination.server : QString(), sourceEncrypted,
                       m_destination ? destinationEncrypted : Encrypted::Unknown});
    // Only one server can tell whether two names are one database.
    if (!m_destination && sameDatabase(database.q_exec, m_names.source, m_names.destination))
        throw RunRefused(kSameDatabase);

    // Before any step: a question the catalog refuses must end no transaction.
    m_bulkDriver = this->destination().bulkLoads();
    m_bulk.emplace(m_bulkDriver, m_destination ? *m_destinationQuery : database.q_exec, m_names.destination,
                   tablesWrittenFromRows(bool(m_destination), stocks));
    if (m_destination)
        tellLoadPath(sink);
}

RunServers::~RunServers()
{
    closeDestination();
}

StepSides RunServers::sides(db::Connection& transactions)
{
    if (!m_destination)
        return {transactions, m_database.q_exec, m_database.q_exec, nullptr};
    return {transactions, *m_destinationQuery, m_database.q_exec, &m_database.cn, m_rowsInOneInsert, &*m_bulk};
}

StockSides RunServers::stockSides(db::Connection& transactions)
{
    const StepSides steps = sides(transactions);
    return {transactions, steps.destination, m_database.q_aux, stockReader(), &*m_bulk};
}

void RunServers::tellLoadPath(ConversionSink& sink)
{
    if (m_loadPathTold)
        return;
    m_loadPathTold = true;
    if (m_bulk->any())
        sink.addLog(kLoadsInBulk);
    else if (!m_bulkDriver)
        sink.addLog(QStringLiteral("O destino recebe as linhas em INSERT: o seu controlador ODBC não faz carga em massa."));
    else if (!m_bulk->catalogRead())
        sink.addLog(QStringLiteral("O destino recebe as linhas em INSERT: não foi possível ler o catálogo das suas tabelas."));
    else
        sink.addLog(QStringLiteral("O destino recebe as linhas em INSERT: as suas tabelas têm gatilhos, chaves estrangeiras "
                                   "ou colunas que a carga em massa não leva."));
}

db::Connection* RunServers::stockReader()
{
    if (m_destination)
        return &m_database.cn;
    if (!m_stockReader) {
        m_stockReader = m_database.cn.createPeer();
        if (!m_stockReader)
            return nullptr;
        m_stockReader->setTarget(m_database.cn.target());
        m_stockReader->open();
    }
    return m_stockReader.get();
}

void RunServers::closeDestination()
{
    if (m_stockReader)
        closeAfterFailure(*m_stockReader);
    m_stockReader.reset();
    m_destinationQuery.reset();
    if (m_destination) {
        // A dry run, or a step cut short, leaves a transaction open there.
        rollbackQuietly(*m_destination);
        closeAfterFailure(*m_destination);
    }
    m_destination.reset();
}

}  // namespace core
