#include "Logger.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <exception>
#include <iostream>
#include <ostream>
#include <string_view>

#include <fmt/chrono.h>

namespace {

struct LevelStyle {
    std::string_view tag;
    std::string_view colour;
};

constexpr std::array<LevelStyle, 6> levelStyles{{
    {"[TRACE]", "\033[90m"},
    {"[DEBUG]", "\033[36m"},
    {"[INFO ]", "\033[32m"},
    {"[WARN ]", "\033[33m"},
    {"[ERROR]", "\033[31m"},
    {"[FATAL]", "\033[41m"},
}};
static_assert(levelStyles.size() == static_cast<std::size_t>(LogLevel::Fatal) + 1,
              "every log level needs a tag and a colour");

constexpr std::string_view resetAndEndLine = "\033[0m\n";

std::int64_t wallClockNanoseconds() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count();
}

// Floor division, so that instants before 1970 land in the right second with a
// non-negative fraction instead of a negative microsecond count.
std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor < 0) ? quotient - 1 : quotient;
}

void reportFailure(std::string_view description) noexcept {
    try {
        std::cerr << "Failed to format log message: " << description << std::endl;
    } catch (...) {
        // Standard error itself is failing; there is nowhere left to write.
    }
}

} // namespace

std::string formatLogTime(std::int64_t nanosecondsSinceEpoch) {
    try {
        const std::int64_t microseconds = floorDiv(nanosecondsSinceEpoch, 1000);
        const std::int64_t seconds = floorDiv(microseconds, 1'000'000);
        const std::int64_t fraction = microseconds - seconds * 1'000'000;
        const std::tm calendar = fmt::localtime(static_cast<std::time_t>(seconds));
        return fmt::format("{:%Y-%m-%d %H:%M:%S}.{:06}", calendar, fraction);
    } catch (...) {
        return "Invalid time";
    }
}

void LogMemory::add(LogLevel level, std::string text) {
    const std::lock_guard lock(mutex);
    if (kept.size() == capacity) {
        kept.pop_front();
    }
    kept.push_back(LogLine{level, std::move(text)});
    ++total;
}

std::uint64_t LogMemory::added() const {
    const std::lock_guard lock(mutex);
    return total;
}

std::vector<LogLine> LogMemory::lines() const {
    const std::lock_guard lock(mutex);
    return {kept.begin(), kept.end()};
}

LogMemory& Logger::memory() {
    static LogMemory lines;
    return lines;
}

void Logger::write(LogLevel level, const std::string& function, const std::string& message) noexcept {
    try {
        const auto index = std::min(static_cast<std::size_t>(level), levelStyles.size() - 1);
        const LevelStyle& style = levelStyles[index];
        const std::string line =
            fmt::format("{} {} <{}> {}", formatLogTime(wallClockNanoseconds()), style.tag, function, message);
        std::ostream& stream = index >= static_cast<std::size_t>(LogLevel::Error) ? std::cerr : std::cout;
        stream << style.colour;
        stream << line;
        // Each line reaches a file or pipe as it happens, not when the buffer fills or the
        // program ends (a crash would lose it).
        stream << resetAndEndLine << std::flush;
        memory().add(static_cast<LogLevel>(index), line);
    } catch (const std::exception& error) {
        reportFailure(error.what());
    } catch (...) {
        reportFailure("unknown exception");
    }
}
