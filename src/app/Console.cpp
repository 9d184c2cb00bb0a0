#include "app/Console.h"

#include <QByteArray>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
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

void writeTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

class StandardConsole final : public Console {
public:
    StandardConsole()
    {
#if defined(_WIN32)
        // The log is written in UTF-8; the console shows it as such only when told.
        SetConsoleOutputCP(CP_UTF8);
#endif
    }

    bool inputIsTerminal() const override { return isTerminal(stdin); }
    bool errorIsTerminal() const override { return isTerminal(stderr); }
    void writeOut(const QString& text) override { writeTo(stdout, text); }
    void writeError(const QString& text) override { writeTo(stderr, text); }

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
};

}  // namespace

std::unique_ptr<Console> standardConsole()
{
    return std::make_unique<StandardConsole>();
}

}  // namespace app
