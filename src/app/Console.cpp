#include "app/Console.h"

#include <QByteArray>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#include <iterator>
#include <termios.h>
#include <unistd.h>
#endif

namespace app {

namespace {

bool isTerminal(std::FILE* stream)
{
#if defined(_WIN32)
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

#if defined(_WIN32)
bool hasStandardHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Built as a windowed program, it gets no console of its own: started from
// cmd.exe it borrows the one it was started from. A stream the caller
// redirected to a file or a pipe stays where it was sent.
void useParentConsole()
{
    const bool in = hasStandardHandle(STD_INPUT_HANDLE);
    const bool out = hasStandardHandle(STD_OUTPUT_HANDLE);
    const bool err = hasStandardHandle(STD_ERROR_HANDLE);
    if ((in && out && err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // A stream that cannot be reopened stays closed, as it was.
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
    if (!in)
        std::freopen("CONIN$", "r", stdin);
}
#endif

// False when the text could not all be written: a reader that went away, a full disk.
bool writeTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream) ==
                             std::size_t(bytes.size()) &&
                         std::fflush(stream) == 0;
    return written;
}

class StandardConsole final : public Console {
public:
    StandardConsole()
    {
#if defined(_WIN32)
        useParentConsole();
        // The log is written in UTF-8; the console shows it as such only when told.
        SetConsoleOutputCP(CP_UTF8);
#endif
    }

    bool inputIsTerminal() const override { return isTerminal(stdin); }
    bool errorIsTerminal() const override { return isTerminal(stderr); }
    // Once the output is lost the run still goes on to its end: it is said
    // once, and the record keeps the rest.
    void writeOut(const QString& text) override
    {
        if (m_outLost)
            return;
        if (writeTo(stdout, text))
            return;
        m_outLost = true;
        // On a terminal the progress bar is on the line the warning would start on.
        writeError(QLatin1String(errorIsTerminal() ? "\n" : "") + QStringLiteral("Aviso: não foi possível escrever na saída padrão (%1): a execução continua até "
                                  "ao fim e o resto fica só no registo.\n")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    void writeError(const QString& text) override
    {
        if (!m_errorLost && !writeTo(stderr, text))
            m_errorLost = true;  // nowhere left to say it
    }

    std::optional<QString> readLine() override
    {
        QByteArray line;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            line.append(buffer);
            if (line.endsWith('\n'))
                break;
        }
        if (line.isEmpty())
            return std::nullopt;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return QString::fromLocal8Bit(line);
    }

    // The echo goes off before the prompt shows: nothing typed after it is seen.
    std::optional<QString> readHiddenLine(const QString& prompt) override
    {
        const EchoOff echoOff;
        writeError(prompt);
        std::optional<QString> line = readLine();
        writeError(QStringLiteral("\n"));  // the one the user typed, not shown
        return line;
    }

private:
    // Turns the terminal's echo of standard input off while it lives.
    class EchoOff {
    public:
#if defined(_WIN32)
        EchoOff() : m_input(GetStdHandle(STD_INPUT_HANDLE))
        {
            m_saved = GetConsoleMode(m_input, &m_mode) != 0;
            if (m_saved)
                SetConsoleMode(m_input, m_mode & ~DWORD(ENABLE_ECHO_INPUT));
        }
        ~EchoOff()
        {
            if (m_saved)
                SetConsoleMode(m_input, m_mode);
        }
#else
        EchoOff()
        {
            m_saved = tcgetattr(fileno(stdin), &m_mode) == 0;
            if (!m_saved)
                return;
            // Interrupted while it is off, the terminal would stay without echo.
            s_shown = m_mode;
            struct sigaction restoring {};
            restoring.sa_handler = &restoreAndEnd;
            sigemptyset(&restoring.sa_mask);
            for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
                sigaction(kEndingSignals[i], &restoring, &m_handlers[i]);
            termios hidden = m_mode;
            hidden.c_lflag &= ~tcflag_t(ECHO);
            tcsetattr(fileno(stdin), TCSAFLUSH, &hidden);  // typed ahead, it would have been seen
        }
        ~EchoOff()
        {
            if (!m_saved)
                return;
            tcsetattr(fileno(stdin), TCSANOW, &m_mode);
            for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
                sigaction(kEndingSignals[i], &m_handlers[i], nullptr);
        }
        // Only calls safe in a signal handler.
        static void restoreAndEnd(int signal)
        {
            tcsetattr(STDIN_FILENO, TCSANOW, &s_shown);
            ::signal(signal, SIG_DFL);
            ::raise(signal);
        }
        static constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
        static inline termios s_shown{};
        struct sigaction m_handlers[std::size(kEndingSignals)] {};
#endif
        EchoOff(const EchoOff&) = delete;
        EchoOff& operator=(const EchoOff&) = delete;

    private:
#if defined(_WIN32)
        HANDLE m_input;
        DWORD m_mode = 0;
#else
        termios m_mode{};
#endif
        bool m_saved = false;
    };

    // Written from the run and, when it is interrupted, from another thread.
    std::atomic<bool> m_outLost = false;
    std::atomic<bool> m_errorLost = false;
};

}  // namespace

std::unique_ptr<Console> standardConsole()
{
    return std::make_unique<StandardConsole>();
}

}  // namespace app
