#include "app/commandline/CommandLineRun.h"

#include "app/commandline/ConsoleSink.h"
#include "app/commandline/Interruption.h"
#include "core/links/LinkFiles.h"
#include "core/run/Questions.h"
#include "core/run/RunRecord.h"
#include "core/run/RunRequest.h"

namespace app {

namespace {

// "s" or "sim", in any case, is yes; anything else, or no answer at all, is no.
bool askOnTerminal(Console& console, const QString& question)
{
    console.writeError(question + QStringLiteral(" [s/N] "));
    const std::optional<QString> answer = console.readLine();
    if (!answer) {
        console.writeError(QStringLiteral("\n"));
        return false;
    }
    const QString word = answer->trimmed().toLower();
    return word == u"s" || word == u"sim";
}

// Asks on the terminal for each password the link files do not keep. False,
// said why, when it cannot be asked: no terminal, or --sim, which asks nothing.
bool askPasswords(const CommandLineOptions& options, Console& console, core::LinkFiles& links)
{
    for (const core::PasswordWanted& wanted : core::passwordsWanted(links)) {
        const QString fileSays =
            core::keepsNoPassword(wanted, wanted.source ? options.sourcePath : options.destinationPath);
        if (options.answerYes || !console.inputIsTerminal()) {
            console.writeError(fileSays + QStringLiteral("\nA palavra-passe só pode ser escrita num terminal e sem "
                                                         "--sim; ou guarde-a no ficheiro de ligação.\n"));
            return false;
        }
        console.writeError(fileSays + u'\n');
        const std::optional<QString> password = console.readHiddenLine(core::passwordPrompt(wanted) + u' ');
        if (!password) {
            console.writeError(QStringLiteral("Nenhuma palavra-passe foi escrita: nada foi alterado.\n"));
            return false;
        }
        core::givePassword(links, wanted, *password);
    }
    return true;
}

}  // namespace

int runFromCommandLine(const CommandLineOptions& options, Console& console, const core::Database& database,
                       const QString& recordPath)
{
    core::LinkFiles links = core::readLinkFiles(options.sourcePath, options.destinationPath);
    if (!links.accepted()) {
        console.writeError(links.detail + u'\n');
        return kExitRefused;
    }
    if (!askPasswords(options, console, links))
        return kExitRefused;

    bool stocks = options.stocks;
    if (!options.verifyOnly && !options.answerYes) {
        if (!console.inputIsTerminal()) {
            console.writeError(QStringLiteral("A conversão apaga os registos do destino e só começa depois de "
                                              "confirmada num terminal: use --sim para a fazer sem perguntas.\n"));
            return kExitRefused;
        }
        if (!askOnTerminal(console, core::kAskConvert)) {
            console.writeError(QStringLiteral("Conversão cancelada: nada foi alterado.\n"));
            return kExitRefused;
        }
        stocks = stocks || askOnTerminal(console, core::kAskStocks);
    }

    const core::RunRequest request{links.source, links.destination, stocks, options.verifyOnly};
    core::RunOutcome outcome;
    bool recorded = false;
    {
        ConsoleSink shown(console, core::conversionStepCount(stocks));
        core::RunRecord record(recordPath, request, shown);
        const InterruptionWatch interruption([&] {
            record.interrupted();
            // On a terminal, after the ^C and the progress bar.
            console.writeError(QLatin1String(console.errorIsTerminal() ? "\n" : "") +
                               (options.verifyOnly ? QStringLiteral("Verificação interrompida: nada foi alterado.\n")
                                                   : QStringLiteral("Conversão interrompida: as tabelas já convertidas "
                                                                    "ficam convertidas, a que estava em curso fica "
                                                                    "como estava.\n")));
            console.writeError(record.reportLine() + u'\n');
        });
        outcome = core::runRequested(database, request, record);
        record.finish(outcome);
        recorded = record.written();
    }
    if (!recorded)
        console.writeError(
            QStringLiteral("Aviso: não foi possível escrever o registo da execução em %1\n").arg(recordPath));
    return outcome == core::RunOutcome::Complete ? kExitComplete : kExitAborted;
}

}  // namespace app
