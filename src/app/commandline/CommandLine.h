#pragma once

// The command line: a conversion or a dry run in the terminal, without a window.

namespace app {

// The program runs one conversion in the terminal, without a window, when it
// is given any argument at all.
bool wantsCommandLine(int argc);

// The whole program on the command line, with no display needed: the exit
// status of the run or of the refusal.
int runCommandLine(int& argc, char* argv[]);

}  // namespace app
