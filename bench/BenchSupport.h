#pragma once

// What the benchmarks share: a sink that shows nothing, a stopwatch, the
// client's processor time, the peak memory and the --rows option.

#include "core/common/ConversionSink.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

namespace bench {

class SilentSink : public core::ConversionSink {
public:
    void addLog(const QString&) override {}
    void progressStep() override {}
};

inline double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The processor time this process has used so far, user and system: what
// the client spends, against the wall time a server's work adds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "--rows N" and nothing else, N from minimum to maximum; rows when not given.
inline int parseRows(int argc, char** argv, int rows, long minimum, long maximum, const char* program)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < minimum || value > maximum)
                throw std::invalid_argument("--rows takes a whole number from " + std::to_string(minimum) + " to " +
                                            std::to_string(maximum));
            rows = int(value);
        } else {
            throw std::invalid_argument(std::string("unknown argument ") + argv[i] + "\nusage: " + program +
                                        " [--rows N]");
        }
    }
    return rows;
}

// The same, or nothing once what is wrong is said on standard error.
inline std::optional<int> rowsOrUsage(int argc, char** argv, int rows, long minimum, long maximum, const char* program)
{
    try {
        return parseRows(argc, argv, rows, minimum, maximum, program);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return std::nullopt;
    }
}

}  // namespace bench
