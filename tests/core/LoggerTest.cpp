#include "Logger.hpp"

#include "OutputCapture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <streambuf>
#include <string>

namespace {

std::string callerSignature;

void namedCaller(int count, const std::string& what) {
    callerSignature = std::source_location::current().function_name();
    logInfo("{} {}", count, what);
}

TEST(LoggerLine, HasColourTimeTagSignatureMessageAndResetOnItsLevelsStreamAndInMemory) {
    OutputCapture capture;
    namedCaller(42, "widgets");
    const std::string line = capture.standardOutput();
    EXPECT_EQ(line.substr(0, 5), "\033[32m");
    std::string stamp = line.substr(5, 26);
    std::replace_if(stamp.begin(), stamp.end(), [](unsigned char c) { return std::isdigit(c) != 0; }, 'd');
    EXPECT_EQ(stamp, "dddd-dd-dd dd:dd:dd.dddddd") << line;
    EXPECT_EQ(line.substr(31), " [INFO ] <" + callerSignature + "> 42 widgets\033[0m\n");
    const LogLine kept = Logger::memory().lines().back();
    EXPECT_EQ(kept.level, LogLevel::Info);
    EXPECT_EQ(kept.text, line.substr(5, line.size() - 5 - 5)) << "the console's line, without colour and line end";

    // WARN stays on standard output; ERROR and above go to standard error, levels above
    // FATAL clamped to it.
    for (int level : {3, 4, 6}) {
        Logger::write(static_cast<LogLevel>(level), "f()", "m");
    }
    EXPECT_TRUE(capture.standardOutput().ends_with(" [WARN ] <f()> m\033[0m\n")) << capture.standardOutput();
    const std::string errors = capture.standardError();
    EXPECT_NE(errors.find(" [ERROR] <f()> m\033[0m\n"), std::string::npos) << errors;
    EXPECT_TRUE(errors.ends_with(" [FATAL] <f()> m\033[0m\n")) << errors;

    // The memory keeps the newest lines and counts all.
    const std::uint64_t before = Logger::memory().added();
    for (std::size_t i = 0; i <= LogMemory::capacity; ++i) {
        Logger::write(LogLevel::Fatal, "f()", std::to_string(i));
    }
    const std::vector<LogLine> lines = Logger::memory().lines();
    EXPECT_EQ(Logger::memory().added() - before, LogMemory::capacity + 1);
    ASSERT_EQ(lines.size(), LogMemory::capacity);
    EXPECT_TRUE(lines.front().text.ends_with("<f()> 1")) << lines.front().text;
    EXPECT_TRUE(lines.back().text.ends_with(std::to_string(LogMemory::capacity))) << lines.back().text;
}

// A stream buffer that refuses every byte, so that a stream set to throw on badbit does.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(LoggerFailures, NeitherABadFormatNorAFailingStreamThrows) {
    OutputCapture capture;
    logMessage(LogSite{LogLevel::Error, std::source_location::current()}, fmt::runtime("{} and {}"), 1);
    EXPECT_EQ(capture.standardError(), "") << "an unformattable message writes nothing";

    RefusingBuffer refusing;
    std::streambuf* const captured = std::cout.rdbuf(&refusing);
    std::ostream* const tied = std::cerr.tie(nullptr); // else standard error flushes the failing stream
    std::cout.exceptions(std::ios::badbit);
    EXPECT_NO_THROW(logInfo("lost {}", 1));
    std::cout.exceptions(std::ios::goodbit);
    std::cout.clear();
    std::cout.rdbuf(captured);
    std::cerr.tie(tied);
    EXPECT_EQ(capture.standardError().rfind("Failed to format log message: ", 0), 0U) << capture.standardError();
}

// Microseconds are zero-filled and nanoseconds cut off; before 1970 the fraction still
// counts forwards from the whole second.
TEST(LogTime, FormatsLocalTimeToTheMicrosecond) {
    const struct {
        std::int64_t nanoseconds;
        const char* text;
    } rows[] = {{5'999, "1970-01-01 00:00:00.000005"}, {1'741'356'131'093'215'123, "2025-03-07 14:02:11.093215"},
                {-1'000, "1969-12-31 23:59:59.999999"}, {-1'500'000'000, "1969-12-31 23:59:58.500000"}};
    // Local time pinned to UTC for the rest of the process, so that the texts are known.
#ifdef _WIN32
    _putenv_s("TZ", "UTC");
    _tzset();
#else
    setenv("TZ", "UTC", 1);
    tzset();
#endif
    for (const auto& row : rows) {
#ifdef _WIN32
        // The Windows C runtime converts no instant before 1970 to local time: the fallback text.
        EXPECT_EQ(formatLogTime(row.nanoseconds), row.nanoseconds < 0 ? "Invalid time" : row.text);
#else
        EXPECT_EQ(formatLogTime(row.nanoseconds), row.text);
#endif
    }
}

} // namespace
