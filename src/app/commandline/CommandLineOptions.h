#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks for.
struct CommandLineOptions {
    enum class Action { Run, Help, Version, WrongUsage };

    Action action = Action::WrongUsage;
    QString error;  // for WrongUsage, in Portuguese
    QString sourcePath;
    QString destinationPath;
    bool stocks = false;
    bool answerYes = false;
    bool verifyOnly = false;
};

// The program's arguments, its own name first.
CommandLineOptions parseCommandLine(const QStringList& arguments);

// The text of --help, naming where the runs are recorded.
QString commandLineHelp(const QString& recordPath);

}  // namespace app
