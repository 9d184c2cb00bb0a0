// Link files that ask for encryption, given to the program on the command
// line: against the test server, which offers none, and against a server of
// the test's own that offers TLS on a certificate naming 127.0.0.1 and
// localhost, which the system's authorities did not sign.

#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "TestServerInstance.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Encryption : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString reason = server::TestServerInstance::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        if (!plain.connect())
            GTEST_SKIP() << harness::kSkipReason;
        tlsServer.start();
        tls.connect(tlsServer.odbc());
    }

    // A conversion with stocks, from the files the harness writes with these
    // items after them, on one server; the certificate authorities the
    // system's, or the TLS server's certificate alone. Its status and all it shows.
    std::pair<int, QString> run(harness::ServerHarness& h, const QString& source, const QString& destination,
                                const QString& sourceItems, const QString& destinationItems, bool ownAuthority)
    {
        const auto [origem, destino] = h.writeLinkFiles(folder.path(), source, destination);
        server::writeDataLinkFile(origem, h.initString(source, h.settings().password) + sourceItems);
        server::writeDataLinkFile(destino, h.initString(destination, h.settings().password) + destinationItems);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("SSL_CERT_FILE"), ownAuthority ? tlsServer.certificate() : QString());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(KOVARA_PROGRAM), {"--origem", origem, "--destino", destino, "--existencias", "--sim"});
        program.closeWriteChannel();
        program.waitForFinished(300'000);
        return {program.exitCode(), QString::fromUtf8(program.readAll())};
    }

    QString record() const
    {
        QFile file(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A number no other test's server uses.
    server::TestServerInstance tlsServer{7, true};
    // After the instance, so their scratch databases go while it still runs.
    harness::ServerHarness plain;
    harness::ServerHarness tls;
    QTemporaryDir folder;
};

TEST_F(Encryption, AskedForItTheSessionIsEncryptedOrTheRunRefusedBeforeAnythingIsWritten)
{
    const QString ask = QStringLiteral(";Use Encryption for Data=True");
    const QString trust = QStringLiteral(";Trust Server Certificate=True");
    // The server, the two files' items, the authorities; what it shows, "sim" or "não" of a run that completes.
    const std::tuple<harness::ServerHarness*, QString, QString, bool, QString> cases[] = {
        {&tls, ask + trust, {}, false, QStringLiteral("sim")},
        {&tls, ask, {}, false, QStringLiteral("não oferece cifra, ou o seu certificado não é de confiança")},
        {&tls, QStringLiteral(";Encrypt=yes"), {}, true, QStringLiteral("sim")},
        {&tls, {}, ask + trust, false, QStringLiteral("sim")},
        {&tls, QStringLiteral(";Use Encryption for Data=Optional"), {}, false, QStringLiteral("não")},
        {&tls, {}, {}, false, QStringLiteral("não")},
        {&plain, ask + trust, {}, false, QStringLiteral("não oferece cifra (Unable to connect to data source). Ligue a cifra")},
    };
    for (const auto& [h, sourceItems, destinationItems, ownAuthority, says] : cases) {
        SCOPED_TRACE((sourceItems + " | " + destinationItems).toStdString());
        const server::ScratchDatabase& src = h->source({});
        const server::ScratchDatabase& dst = h->destination();
        const QStringList before = h->everyRow(dst);
        const auto [status, shown] = run(*h, src.name(), dst.name(), sourceItems, destinationItems, ownAuthority);
        const bool runs = says.size() < 4;
        EXPECT_EQ(status, runs ? 0 : 1) << shown.toStdString();
        if (runs) {
            EXPECT_TRUE(shown.contains(expected::encryptionLine(h->settings().dataSource(), says) + u'\n')) << shown.toStdString();
            EXPECT_TRUE(record().contains(QStringLiteral("Ligação cifrada: ") + says + u'\n'));
            h->expectConverted(dst, {});
        } else {
            EXPECT_TRUE(shown.contains(says) && !shown.contains(QStringLiteral("A converter"))) << shown.toStdString();
            EXPECT_EQ(h->everyRow(dst), before);
        }
    }
}

}  // namespace
