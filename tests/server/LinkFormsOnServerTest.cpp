// Data link files as Windows' own dialogs write them, each given to the program
// on the command line: quoted values, no password kept, Windows authentication, ODBC.

#include "QStringPrinting.h"
#include "ServerHarness.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <utility>

namespace {

// Every character that needs care in a link file or in an ODBC string.
const QString kHardPassword = QStringLiteral("Se;cr\"e't={x}=1");

class LinkForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
        ASSERT_TRUE(folder.isValid());
        // Logins belong to the whole server, which other tests share at the same time.
        loginName = QStringLiteral("kovara_aspas_%1").arg(QRandomGenerator::system()->generate(), 8, 16, QChar(u'0'));
        h.admin().execute(QStringLiteral("CREATE LOGIN %1 WITH PASSWORD = N'%2'")
                              .arg(loginName, QString(kHardPassword).replace(u'\'', QStringLiteral("''"))));
        h.admin().execute(QStringLiteral("ALTER SERVER ROLE sysadmin ADD MEMBER %1").arg(loginName));
        sourceName = h.source({}).name();
        destino = link(QStringLiteral("destino.udl"), h.initString(h.destination().name(), h.settings().password));
    }
    void TearDown() override
    {
        if (!IsSkipped())
            h.admin().execute(QStringLiteral("DROP LOGIN %1").arg(loginName));
    }


    QString link(const QString& name, const QString& init)
    {
        server::writeDataLinkFile(folder.filePath(name), init);
        return folder.filePath(name);
    }
    QString origem(const QString& items, const QString& dataSource)
    {
        return link(QStringLiteral("origem.udl"), items + QStringLiteral(";Initial Catalog=%1;Data Source=%2").arg(sourceName, dataSource));
    }

    // The program on the two files, on a terminal: its status and all it showed.
    // Standard input is the terminal too, typed on once asked, when an answer is given.
    std::pair<int, QString> run(const QString& source, const QString& argument, const std::optional<QString>& typed = std::nullopt)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("ODBCINI"), folder.filePath(QStringLiteral("odbc.ini")));
        QProcess program;
        program.setProcessEnvironment(environment);
        const QString command = QStringLiteral(KOVARA_PROGRAM " --origem %1 --destino %2 %3%4")
                                    .arg(source, destino, argument, typed ? QString() : QStringLiteral(" </dev/null"));
        program.start(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
        QString shown;
        while (typed && !shown.contains(QStringLiteral("Palavra-passe de")) && program.waitForReadyRead(30'000))
            shown += QString::fromUtf8(program.readAllStandardOutput());
        if (typed)
            program.write((*typed + u'\n').toUtf8());
        program.waitForFinished(300'000);
        return {program.exitCode(), shown + QString::fromUtf8(program.readAllStandardOutput())};
    }

    QString record() const
    {
        QFile file(folder.filePath(QStringLiteral("state/KovaraConverter/conversoes.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    harness::ServerHarness h;
    QTemporaryDir folder;
    QString sourceName;
    QString destino;
    QString loginName;
};

// Each form on a dry run, without a terminal: complete, or what says why not.
TEST_F(LinkForms, EachFormLogsInOrSaysWhyNot)
{
    QFile odbcIni(folder.filePath(QStringLiteral("odbc.ini")));
    ASSERT_TRUE(odbcIni.open(QIODevice::WriteOnly));
    const QStringList hostPort = h.settings().dataSource().split(u',');
    odbcIni.write(QStringLiteral("[Loja]\nDriver=FreeTDS\nServer=%1\nPort=%2\nTDS_Version=7.4\n")
                      .arg(hostPort.value(0), hostPort.value(1, QStringLiteral("1433"))).toUtf8());
    odbcIni.close();

    const auto login = [&](QChar quote) {
        return QStringLiteral(";Password=%1%2%1;User ID=%3").arg(quote, QString(kHardPassword).replace(quote, QString(2, quote)), loginName);
    };
    const QString server = h.settings().dataSource();
    const std::tuple<QString, QString, int, QString> forms[] = {  // items, data source, status, what it says
        {QStringLiteral("SQLOLEDB.1") + login(u'"'), server, 0, QStringLiteral("Verificação concluída")},
        {QStringLiteral("SQLOLEDB.1") + login(u'\''), server, 0, QStringLiteral("Verificação concluída")},
        {QStringLiteral("MSDASQL.1") + login(u'"'), QStringLiteral("Loja"), 0, QStringLiteral("Verificação concluída")},
        {QStringLiteral("MSDASQL.1") + login(u'"'), QStringLiteral("Nenhuma"), 1, QStringLiteral("ODBC \"Nenhuma\" do seu Data Source")},
        {QStringLiteral("SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False"), server, 1,
         QStringLiteral("Excepção fatal: O ficheiro de ligação pede a autenticação do Windows (Integrated Security=SSPI)")},
        {QStringLiteral("SQLOLEDB.1;User ID=") + loginName, server, 2,  // no terminal to ask on
         QStringLiteral("de origem não guarda a palavra-passe: ") + folder.filePath(QStringLiteral("origem.udl"))},
    };
    for (const auto& [items, dataSource, wanted, says] : forms) {
        const auto [status, shown] = run(origem(items, dataSource), QStringLiteral("--verificar"));
        EXPECT_EQ(status, wanted) << items.toStdString() << "\n" << shown.toStdString();
        EXPECT_TRUE(shown.contains(says)) << shown.toStdString();
    }
}

TEST_F(LinkForms, APasswordTheFileDoesNotKeepIsAskedOnATerminalOnlyAndKeptNowhere)
{
    const QString source = origem(QStringLiteral("SQLOLEDB.1;User ID=%1").arg(loginName), h.settings().dataSource());
    const auto [refusal, refused] = run(source, QStringLiteral("--sim"), QString());  // --sim asks nothing
    EXPECT_EQ(refusal, 2);
    EXPECT_TRUE(refused.contains(QStringLiteral("não guarda a palavra-passe: ") + source)) << refused.toStdString();
    EXPECT_EQ(record(), QString());

    const auto [status, shown] = run(source, QStringLiteral("--verificar"), kHardPassword);
    EXPECT_EQ(status, 0) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Palavra-passe de «%1» em ").arg(loginName))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(kHardPassword)) << "shown as typed";
    EXPECT_TRUE(record().contains(QStringLiteral("verificação concluída")) && !record().contains(kHardPassword));
}

}  // namespace
