#pragma once

// Console diagnostics: one coloured, time-stamped line per call, naming the calling
// function by its full signature. Formats are checked when the program is compiled.
// The last lines are also kept in memory, for the program's log pane.
//
//   logInfo("Loaded {} assets", count);
//   logMessage(LogSite{LogLevel::Error, std::source_location::current()}, "failed: {}", code);

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <source_location>
#include <string>
#include <vector>
#include <type_traits>
#include <utility>

#include <fmt/format.h>

enum class LogLevel : std::uint8_t { Trace = 0, Debug = 1, Info = 2, Warn = 3, Error = 4, Fatal = 5 };

// Where a log call was made. Only the level and the function name reach the line;
// file, line and column travel along for debuggers and future use.
struct LogSite {
    LogLevel level;
    std::source_location location;
};

struct LogLine {
    LogLevel level = LogLevel::Info;
    std::string text; // as on the console, without the colour codes and the line end
};

// The most recent lines written, oldest first; any thread.
class LogMemory {
public:
    static constexpr std::size_t capacity = 1000;

    void add(LogLevel level, std::string text);
    // How many lines were ever added (the oldest go once `capacity` are kept): a reader
    // that saw this count before has nothing new to copy.
    std::uint64_t added() const;
    std::vector<LogLine> lines() const;

private:
    mutable std::mutex mutex;
    std::deque<LogLine> kept;
    std::uint64_t total = 0;
};

class Logger {
public:
    // Writes one line to standard output (TRACE to WARN) or standard error (ERROR,
    // FATAL). Levels above FATAL count as FATAL. Never throws: a failure to build or
    // write the line is reported on standard error instead.
    // The line also goes to memory().
    static void write(LogLevel level, const std::string& function, const std::string& message) noexcept;
    static LogMemory& memory();
};

// The local time stamp "YYYY-MM-DD HH:MM:SS.uuuuuu" for nanoseconds since 1970-01-01
// UTC, or "Invalid time" when the calendar conversion fails.
std::string formatLogTime(std::int64_t nanosecondsSinceEpoch);
// Its clock part, "HH:MM:SS" (or "Invalid time").
inline std::string formatClockTime(std::int64_t nanosecondsSinceEpoch) {
    const std::string text = formatLogTime(nanosecondsSinceEpoch);
    return text.size() > 19 ? text.substr(11, 8) : text;
}

// Formats the message and writes it. A message whose arguments cannot be formatted is
// dropped without a trace: logging must never take the caller down.
template <typename... Args>
void logMessage(const LogSite& site, fmt::format_string<Args...> format, Args&&... args) noexcept {
    try {
        std::string message = fmt::format(format, std::forward<Args>(args)...);
        Logger::write(site.level, std::string(site.location.function_name()), message);
    } catch (...) {
        // Nothing to report to: the logger is the report channel.
    }
}

// A format string that also remembers where it was written, so that the level
// shorthands below can take the caller's location as a default argument in front of
// their variadic arguments.
template <typename... Args>
struct LogFormat {
    template <typename Text>
    consteval LogFormat(const Text& text, std::source_location where = std::source_location::current())
        : format(text), location(where) {}

    fmt::format_string<Args...> format;
    std::source_location location;
};

template <LogLevel Level>
struct LevelLog {
    template <typename... Args>
    void operator()(LogFormat<std::type_identity_t<Args>...> format, Args&&... args) const noexcept {
        logMessage<Args...>(LogSite{Level, format.location}, format.format, std::forward<Args>(args)...);
    }
};

inline constexpr LevelLog<LogLevel::Trace> logTrace{};
inline constexpr LevelLog<LogLevel::Debug> logDebug{};
inline constexpr LevelLog<LogLevel::Info> logInfo{};
inline constexpr LevelLog<LogLevel::Warn> logWarn{};
inline constexpr LevelLog<LogLevel::Error> logError{};
inline constexpr LevelLog<LogLevel::Fatal> logFatal{};
