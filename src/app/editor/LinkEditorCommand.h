#pragma once

#include <QString>
#include <QStringList>

namespace app {

// Whether the arguments ask for the editor, before anything reads them.
bool wantsLinkEditor(int argc, char* argv[]);

// What is wrong with arguments that ask for the editor, in words for the
// user; empty when they are "--ligacao FICHEIRO" and nothing else. The
// program's own name first.
QString linkEditorUsageError(const QStringList& arguments);

// Says on standard error what is wrong with the program's arguments, if
// anything; whether something was.
bool refuseLinkEditorUsage(int argc, char* argv[]);

// The file named by arguments that passed linkEditorUsageError.
QString linkEditorPath(const QStringList& arguments);

// Sees the window system through starting the toolkit: where it cannot be
// reached, says so on standard error and ends the program with status 2
// instead of the toolkit's abort. In force while the object lives.
class DisplayRequired {
public:
    DisplayRequired();
    ~DisplayRequired();

    DisplayRequired(const DisplayRequired&) = delete;
    DisplayRequired& operator=(const DisplayRequired&) = delete;
};

}  // namespace app
