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

// A number no other test's server uses.
constexpr int kTlsServer = 7;

struct Ended {
    int status = -1;
    QString shown;  // standard output and standard error
    QString record;
};

class Encryption : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString reason = server::TestServerInstance::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        if (!plain.connect())
            GTEST_SKIP() << harness::kSkipReason;
        m_tlsServer = std::make_unique<server::TestServerInstance>(kTlsServer, true);
        m_tlsServer->start();
        tls.connect(m_tlsServer->odbc());
    }

    // A conversion with stocks (--sim) from the source's file as the harness
    // writes it with these items after it, into a destination file on the
    // same server with its own; the certificate authorities those of the
    // system, or the TLS server's certificate alone.
    Ended run(harness::ServerHarness& h, const server::ScratchDatabase& src, const server::ScratchDatabase& dst,
              const QString& sourceItems, const QString& destinationItems, bool ownAuthority)
    {
        QTemporaryDir folder;
        const auto [origem, destino] = h.writeLinkFiles(folder.path(), src.name(), dst.name());
        server::writeDataLinkFile(origem, h.initString(src.name(), h.settings().password) + sourceItems);
        server::writeDataLinkFile(destino, h.initString(dst.name(), h.settings().password) + destinationItems);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        if (ownAuthority)
            environment.insert(QStringLiteral("SSL_CERT_FILE"), m_tlsServer->certificate());
        else
            environment.remove(QStringLiteral("SSL_CERT_FILE"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(KOVARA_PROGRAM), {QStringLiteral("--origem"), origem, QStringLiteral("--destino"),
                                                       destino, QStringLiteral("--existencias"), QStringLiteral("--sim")});
        program.closeWriteChannel();
        if (!program.waitForFinished(300'000))
            return {};
        QFile record(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return {program.exitCode(), QString::fromUtf8(program.readAll()),
                record.open(QIODevice::ReadOnly) ? QString::fromUtf8(record.readAll()) : QString()};
    }

    std::unique_ptr<server::TestServerInstance> m_tlsServer;
    // After the instance, so their scratch databases go while it still runs.
    harness::ServerHarness plain;
    harness::ServerHarness tls;
};

TEST_F(Encryption, AskedForItTheSessionIsEncryptedOrTheRunRefusedBeforeAnythingIsWritten)
{
    const QString ask = QStringLiteral(";Use Encryption for Data=True");
    const QString trust = QStringLiteral(";Trust Server Certificate=True");
    const QString untrusted = QStringLiteral("não oferece cifra, ou o seu certificado não é de confiança");
    struct Case {
        const char* what;
        bool tlsServer;
        QString sourceItems;
        QString destinationItems;
        bool ownAuthority;
        QString says;  // in what it shows; a refusal changes nothing
    };
    const Case cases[] = {
        {"trusted", true, ask + trust, {}, false, QStringLiteral(": sim.")},
        {"signed by no authority of the system's", true, ask, {}, false, untrusted},
        {"checked against its own certificate", true, QStringLiteral(";Encrypt=yes"), {}, true, QStringLiteral(": sim.")},
        {"asked by the destination's file only", true, {}, ask + trust, false, QStringLiteral(": sim.")},
        {"Optional, as always", true, QStringLiteral(";Use Encryption for Data=Optional"), {}, false, QStringLiteral(": não.")},
        {"not asked", true, {}, {}, false, QStringLiteral(": não.")},
        {"a server without encryption", false, ask + trust, {}, false,
         QStringLiteral("não oferece cifra (Unable to connect to data source). Ligue a cifra no servidor.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        harness::ServerHarness& h = c.tlsServer ? tls : plain;
        const server::ScratchDatabase& src = h.source({});
        const server::ScratchDatabase& dst = h.destination();
        const QStringList before = h.everyRow(dst);
        const Ended ended = run(h, src, dst, c.sourceItems, c.destinationItems, c.ownAuthority);
        EXPECT_TRUE(ended.shown.contains(c.says)) << ended.shown.toStdString();
        if (c.says.startsWith(QLatin1String(": "))) {
            EXPECT_EQ(ended.status, 0) << ended.shown.toStdString();
            const QString encryption = expected::encryptionLine(h.settings().dataSource(), c.says.mid(2).chopped(1));
            EXPECT_TRUE(ended.shown.contains(encryption + u'\n'));
            EXPECT_TRUE(ended.record.contains(QStringLiteral("Ligação cifrada: ") + c.says.mid(2).chopped(1) + u'\n'));
            h.expectConverted(dst, {});
        } else {
            EXPECT_EQ(ended.status, 1) << ended.shown.toStdString();
            EXPECT_FALSE(ended.shown.contains(QStringLiteral("A converter"))) << ended.shown.toStdString();
            EXPECT_EQ(h.everyRow(dst), before);
        }
    }
}

}  // namespace
