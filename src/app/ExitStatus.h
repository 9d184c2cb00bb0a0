#pragma once

namespace app {

// How the program ends when started from a terminal: the command line's runs
// and the data link editor's launch share these.
enum ExitStatus : int {
    kExitComplete = 0,
    kExitAborted = 1,
    kExitRefused = 2,  // also wrong usage
};

}  // namespace app
