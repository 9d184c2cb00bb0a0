#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace app {

// The terminal the command line talks through: standard input, output and
// error. Behind an interface so the questions and the progress can be driven
// without a terminal.
class Console {
public:
    virtual ~Console() = default;

    virtual bool inputIsTerminal() const = 0;
    virtual bool errorIsTerminal() const = 0;
    // Text as given, in UTF-8, sent on at once.
    virtual void writeOut(const QString& text) = 0;
    virtual void writeError(const QString& text) = 0;
    // One line of standard input without its line end; nothing at its end.
    virtual std::optional<QString> readLine() = 0;
    // The prompt on standard error, then a line read the same way but not
    // shown on the terminal while it is typed. Consoles that show nothing
    // read it as any other line.
    virtual std::optional<QString> readHiddenLine(const QString& prompt)
    {
        writeError(prompt);
        return readLine();
    }
};

// The process's own standard streams.
std::unique_ptr<Console> standardConsole();

}  // namespace app
