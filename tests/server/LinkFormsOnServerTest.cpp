// Data link files as Windows' own dialogs write them, each given to the
// program on the command line against the real server: quoted values, a
// password the file does not keep, Windows authentication, an ODBC data source.

#include "QStringPrinting.h"
#include "ServerHarness.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QString kLogin = QStringLiteral("kovara_aspas");
// Every character that needs care in a link file or in an ODBC string.
const QString kHardPassword = QStringLiteral("Se;cr\"e't={x}=1");

struct Ended {
    int status = -1;
    QString out;
    QString err;
};

class LinkForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
        ASSERT_TRUE(folder.isValid());
        QString literal = kHardPassword;
        h.admin().execute(QStringLiteral("CREATE LOGIN %1 WITH PASSWORD = N'%2'")
                              .arg(kLogin, literal.replace(u'\'', QStringLiteral("''"))));
        loginMade = true;
        h.admin().execute(QStringLiteral("ALTER SERVER ROLE sysadmin ADD MEMBER %1").arg(kLogin));
    }
    void TearDown() override
    {
        if (loginMade)
            h.admin().execute(QStringLiteral("DROP LOGIN %1").arg(kLogin));
    }

    QString place(const QString& database) const
    {
        return QStringLiteral("Initial Catalog=%1;Data Source=%2").arg(database, h.settings().dataSource());
    }

    QString link(const QString& name, const QString& init)
    {
        const QString path = folder.filePath(name);
        server::writeDataLinkFile(path, init);
        return path;
    }

    // The program on the two files; on a terminal that types the answer once
    // it is asked, when one is given. Standard error, on a terminal, comes
    // with the output.
    Ended run(const QString& origem, const QString& destino, const QStringList& arguments,
              const std::optional<QString>& typed = std::nullopt)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(display));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("ODBCINI"), folder.filePath(QStringLiteral("odbc.ini")));
        QStringList command{QStringLiteral(KOVARA_PROGRAM), QStringLiteral("--origem"), origem,
                            QStringLiteral("--destino"), destino};
        command += arguments;

        QProcess program;
        program.setProcessEnvironment(environment);
        if (typed) {
            program.start(QStringLiteral("script"), {QStringLiteral("-qec"), command.join(u' '), QStringLiteral("/dev/null")});
            QString shown;
            while (!shown.contains(QStringLiteral("Palavra-passe de")) && program.waitForReadyRead(30'000))
                shown += QString::fromUtf8(program.readAllStandardOutput());
            program.write((*typed + u'\n').toUtf8());
            program.waitForFinished(300'000);
            return {program.exitCode(), shown + QString::fromUtf8(program.readAllStandardOutput()), {}};
        }
        program.start(command.takeFirst(), command);
        program.closeWriteChannel();
        if (!program.waitForFinished(300'000) || program.exitStatus() != QProcess::NormalExit)
            return {};
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    QString record() const
    {
        QFile file(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    harness::ServerHarness h;
    QTemporaryDir folder;
    bool loginMade = false;
};

TEST_F(LinkForms, QuotedPasswordsAndEveryFormThatWorkedLogIn)
{
    const server::ScratchDatabase& src = h.source({});
    const server::ScratchDatabase& dst = h.destination();
    const QString destino = link(QStringLiteral("destino.udl"), h.initString(dst.name(), h.settings().password));

    QFile odbcIni(folder.filePath(QStringLiteral("odbc.ini")));
    ASSERT_TRUE(odbcIni.open(QIODevice::WriteOnly));
    const QStringList hostPort = h.settings().dataSource().split(u',');
    odbcIni.write(QStringLiteral("[Loja]\nDriver=FreeTDS\nServer=%1\nPort=%2\nTDS_Version=7.4\n")
                      .arg(hostPort.value(0), hostPort.value(1, QStringLiteral("1433")))
                      .toUtf8());
    odbcIni.close();

    const QString doubled = QString(kHardPassword).replace(u'"', QStringLiteral("\"\""));
    const QString singled = QString(kHardPassword).replace(u'\'', QStringLiteral("''"));
    const QString test = QStringLiteral("Password=%1;Persist Security Info=True;User ID=%2;")
                             .arg(h.settings().password, h.settings().user);
    const std::pair<const char*, QString> forms[] = {
        {"Windows' double quotes", QStringLiteral("SQLOLEDB.1;Password=\"%1\";Persist Security Info=True;User ID=%2;")
                                       .arg(doubled, kLogin) + place(src.name())},
        {"single quotes", QStringLiteral("SQLOLEDB.1;Password='%1';User ID=%2;").arg(singled, kLogin) + place(src.name())},
        {"Native Client's empty items", QStringLiteral("SQLNCLI11.1;Integrated Security=\"\";") + test + place(src.name()) +
                                            QStringLiteral(";Initial File Name=\"\";Server SPN=\"\"")},
        {"the OLE DB Driver's items", QStringLiteral("MSOLEDBSQL.1;") + test + place(src.name()) +
                                          QStringLiteral(";Use Encryption for Data=False;Trust Server Certificate=False;"
                                                         "Application Intent=READWRITE;MultiSubnetFailover=False")},
        {"an ODBC data source", QStringLiteral("MSDASQL.1;Password=\"%1\";User ID=%2;Initial Catalog=%3;Data Source=Loja")
                                    .arg(doubled, kLogin, src.name())},
    };
    for (const auto& [form, init] : forms) {
        SCOPED_TRACE(form);
        const Ended ended = run(link(QStringLiteral("origem.udl"), init), destino, {QStringLiteral("--verificar")});
        EXPECT_EQ(ended.status, 0) << ended.out.toStdString() << ended.err.toStdString();
    }
    EXPECT_FALSE(record().contains(kHardPassword));
}

TEST_F(LinkForms, APasswordTheFileDoesNotKeepIsAskedOnATerminalOnlyAndKeptNowhere)
{
    const server::ScratchDatabase& src = h.source({});
    const server::ScratchDatabase& dst = h.destination();
    const QString origem = link(QStringLiteral("origem.udl"),
                                QStringLiteral("SQLOLEDB.1;Persist Security Info=False;User ID=%1;").arg(kLogin) +
                                    place(src.name()));
    const QString destino = link(QStringLiteral("destino.udl"), h.initString(dst.name(), h.settings().password));
    QFile file(origem);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();

    for (const QStringList& arguments : {QStringList{QStringLiteral("--verificar")}, QStringList{QStringLiteral("--sim")}}) {
        const Ended refused = run(origem, destino, arguments);
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.err.startsWith(
            QStringLiteral("O ficheiro de ligação à base de dados de origem não guarda a palavra-passe: ") + origem))
            << refused.err.toStdString();
        EXPECT_EQ(refused.out, QString());
    }
    EXPECT_EQ(record(), QString());

    const Ended typed = run(origem, destino, {QStringLiteral("--verificar")}, kHardPassword);
    EXPECT_EQ(typed.status, 0) << typed.out.toStdString();
    EXPECT_TRUE(typed.out.contains(QStringLiteral("Palavra-passe de «%1» em ").arg(kLogin))) << typed.out.toStdString();
    EXPECT_FALSE(typed.out.contains(kHardPassword)) << "shown as typed";
    EXPECT_TRUE(record().contains(QStringLiteral("verificação concluída"))) << record().toStdString();
    EXPECT_FALSE(record().contains(kHardPassword));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
}

TEST_F(LinkForms, WindowsAuthenticationThatCannotLogInSaysWhatTheFileAsksFor)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const QString rows = QStringLiteral("SELECT COUNT(*) FROM %1").arg(dst.table(QStringLiteral("clientes")));
    const QStringList before = h.rows(rows);

    const Ended ended =
        run(link(QStringLiteral("origem.udl"),
                 QStringLiteral("SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;") + place(src.name())),
            link(QStringLiteral("destino.udl"), h.initString(dst.name(), h.settings().password)), {QStringLiteral("--sim")});

    EXPECT_EQ(ended.status, 1);
    EXPECT_TRUE(ended.out.contains(QStringLiteral("Excepção fatal: O ficheiro de ligação pede a autenticação do Windows "
                                                  "(Integrated Security=SSPI) e não foi possível entrar assim: ")))
        << ended.out.toStdString();
    EXPECT_TRUE(ended.out.contains(QStringLiteral("kinit"))) << ended.out.toStdString();
    EXPECT_EQ(h.rows(rows), before);
}

}  // namespace
