#include "app/commandline/CommandLine.h"

#include "app/Console.h"
#include "app/DatabaseFactory.h"
#include "app/commandline/CommandLineOptions.h"
#include "app/commandline/CommandLineRun.h"
#include "app/commandline/Interruption.h"
#include "core/run/RunRecord.h"

#include <QCoreApplication>

namespace app {

bool wantsCommandLine(int argc)
{
    return argc > 1;
}

int runCommandLine(int& argc, char* argv[])
{
    keepRunningWhenOutputCloses();
    const QCoreApplication application(argc, argv);
    const std::unique_ptr<Console> console = standardConsole();

    const CommandLineOptions options = parseCommandLine(QCoreApplication::arguments());
    switch (options.action) {
    case CommandLineOptions::Action::Help:
        console->writeOut(commandLineHelp(core::defaultRecordPath()));
        return kExitComplete;
    case CommandLineOptions::Action::Version:
        console->writeOut(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
        return kExitComplete;
    case CommandLineOptions::Action::WrongUsage:
        console->writeError(options.error + QStringLiteral("\nVeja KovaraConverter --help.\n"));
        return kExitRefused;
    case CommandLineOptions::Action::Run:
        break;
    }

    const std::unique_ptr<db::Connection> cn = createConnection();
    const std::unique_ptr<db::Query> q_exec = cn->createQuery(QStringLiteral("q_exec"));
    const std::unique_ptr<db::Query> q_aux = cn->createQuery(QStringLiteral("q_aux"));
    return runFromCommandLine(options, *console, {*cn, *q_exec, *q_aux}, core::defaultRecordPath());
}

}  // namespace app
