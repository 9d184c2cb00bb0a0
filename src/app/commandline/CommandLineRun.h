#pragma once

#include "app/Console.h"
#include "app/ExitStatus.h"
#include "app/commandline/CommandLineOptions.h"
#include "core/run/Conversion.h"

#include <QString>

namespace app {

// One run asked for on the command line: the checks the window makes, with
// the same texts on standard error; its questions on the terminal unless
// answered by --sim (a dry run asks nothing: it changes nothing); then the
// run, shown on the console and appended to the record at recordPath.
int runFromCommandLine(const CommandLineOptions& options, Console& console, const core::Database& database,
                       const QString& recordPath);

}  // namespace app
