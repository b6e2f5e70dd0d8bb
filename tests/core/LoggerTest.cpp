#include "Logger.hpp"

#include "OutputCapture.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <streambuf>
#include <string>
#include <string_view>

namespace {

constexpr const char* esc = "\033";

// Pins local time to UTC so that time stamps have known texts.
class UtcZone {
public:
    UtcZone() {
        if (const char* previous = std::getenv("TZ")) {
            saved = previous;
            hadZone = true;
        }
        setZone("UTC");
    }
    ~UtcZone() { setZone(hadZone ? saved.c_str() : nullptr); }
    UtcZone(const UtcZone&) = delete;
    UtcZone& operator=(const UtcZone&) = delete;

private:
    static void setZone(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone != nullptr ? zone : "");
        _tzset();
#else
        if (zone != nullptr) {
            setenv("TZ", zone, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }

    std::string saved;
    bool hadZone = false;
};

std::string callerSignature;

void namedCaller(int count, const std::string& what) {
    callerSignature = std::source_location::current().function_name();
    logInfo("{} {}", count, what);
}

// A stream buffer that refuses every byte, so that a stream set to throw on badbit does.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

// "2025-03-07 14:02:11.093215": digits where the mask has 'd', the mask's own character elsewhere.
bool isTimeStamp(std::string_view text) {
    constexpr std::string_view mask = "dddd-dd-dd dd:dd:dd.dddddd";
    if (text.size() != mask.size()) {
        return false;
    }
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (mask[i] == 'd' ? !digit : text[i] != mask[i]) {
            return false;
        }
    }
    return true;
}

TEST(LoggerLine, HasColourTimeTagSignatureMessageAndReset) {
    OutputCapture capture;
    namedCaller(42, "widgets");

    const std::string line = capture.standardOutput();
    const std::string colour = "\033[32m";
    const std::string tail = "> 42 widgets\033[0m\n";
    ASSERT_GT(line.size(), colour.size() + 26 + tail.size()) << line;
    EXPECT_EQ(line.substr(0, colour.size()), colour);
    EXPECT_TRUE(isTimeStamp(line.substr(colour.size(), 26))) << line;
    const std::string afterStamp = line.substr(colour.size() + 26);
    EXPECT_EQ(afterStamp, " [INFO ] <" + callerSignature + tail);
    // The whole signature, not just the bare name.
    EXPECT_NE(callerSignature.find("namedCaller(int"), std::string::npos) << callerSignature;
    EXPECT_EQ(capture.standardError(), "");
}

TEST(LoggerLine, ExplicitSiteCarriesItsLevelAndFunction) {
    OutputCapture capture;
    const auto here = std::source_location::current();
    logMessage(LogSite{LogLevel::Warn, here}, "{}-{}", "a", 1);
    const std::string line = capture.standardOutput();
    EXPECT_NE(line.find(std::string(" [WARN ] <") + here.function_name() + "> a-1"), std::string::npos) << line;
}

struct LevelRow {
    int level;
    const char* tag;
    const char* colour;
    bool toStandardError;
};

class LoggerLevels : public testing::TestWithParam<LevelRow> {};

TEST_P(LoggerLevels, PickTagColourAndStream) {
    const LevelRow& row = GetParam();
    OutputCapture capture;
    Logger::write(static_cast<LogLevel>(row.level), "void f()", "message");

    const std::string written = row.toStandardError ? capture.standardError() : capture.standardOutput();
    const std::string silent = row.toStandardError ? capture.standardOutput() : capture.standardError();
    EXPECT_EQ(silent, "");
    const std::string expectedStart = std::string(esc) + row.colour;
    const std::string expectedEnd = std::string(" ") + row.tag + " <void f()> message" + esc + "[0m\n";
    ASSERT_GE(written.size(), expectedStart.size() + 26 + expectedEnd.size()) << written;
    EXPECT_EQ(written.substr(0, expectedStart.size()), expectedStart);
    EXPECT_TRUE(isTimeStamp(written.substr(expectedStart.size(), 26))) << written;
    EXPECT_EQ(written.substr(written.size() - expectedEnd.size()), expectedEnd);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, LoggerLevels,
                         testing::Values(LevelRow{0, "[TRACE]", "[90m", false}, LevelRow{1, "[DEBUG]", "[36m", false},
                                         LevelRow{2, "[INFO ]", "[32m", false}, LevelRow{3, "[WARN ]", "[33m", false},
                                         LevelRow{4, "[ERROR]", "[31m", true}, LevelRow{5, "[FATAL]", "[41m", true},
                                         // Out-of-range levels are clamped to FATAL.
                                         LevelRow{6, "[FATAL]", "[41m", true}, LevelRow{7, "[FATAL]", "[41m", true},
                                         LevelRow{255, "[FATAL]", "[41m", true}));

TEST(LoggerShorthands, EachUsesItsLevel) {
    OutputCapture capture;
    logTrace("t");
    logDebug("d");
    logInfo("i");
    logWarn("w");
    logError("e");
    logFatal("f");
    const std::string out = capture.standardOutput();
    const std::string err = capture.standardError();
    EXPECT_NE(out.find("[TRACE]"), std::string::npos);
    EXPECT_NE(out.find("[DEBUG]"), std::string::npos);
    EXPECT_NE(out.find("[INFO ]"), std::string::npos);
    EXPECT_NE(out.find("[WARN ]"), std::string::npos);
    EXPECT_NE(err.find("[ERROR]"), std::string::npos);
    EXPECT_NE(err.find("[FATAL]"), std::string::npos);
    EXPECT_EQ(out.find("[ERROR]"), std::string::npos);
    EXPECT_EQ(err.find("[WARN ]"), std::string::npos);
}

TEST(LoggerFailures, UnformattableMessageWritesNothing) {
    OutputCapture capture;
    const LogSite site{LogLevel::Error, std::source_location::current()};
    logMessage(site, fmt::runtime("{} and {}"), 1);
    logMessage(site, fmt::runtime("{:d}"), "text");
    EXPECT_EQ(capture.standardOutput(), "");
    EXPECT_EQ(capture.standardError(), "");
}

TEST(LoggerFailures, FailingStreamIsReportedOnStandardErrorAndNotThrown) {
    OutputCapture capture;
    RefusingBuffer refusing;
    std::streambuf* const captured = std::cout.rdbuf(&refusing);
    // Standard error flushes standard output first while tied to it, which would fail too.
    std::ostream* const tied = std::cerr.tie(nullptr);
    std::cout.exceptions(std::ios::badbit);

    EXPECT_NO_THROW(logInfo("lost {}", 1));

    std::cout.exceptions(std::ios::goodbit);
    std::cout.clear();
    std::cout.rdbuf(captured);
    std::cerr.tie(tied);
    const std::string err = capture.standardError();
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.rfind("Failed to format log message: ", 0), 0U) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_EQ(err.find("lost 1"), std::string::npos);
}

struct TimeRow {
    std::int64_t nanoseconds;
    const char* text;
};

class LogTime : public testing::TestWithParam<TimeRow> {};

TEST_P(LogTime, FormatsLocalTimeToTheMicrosecond) {
    UtcZone utc;
#ifdef _WIN32
    // The Windows C runtime converts no instant before 1970 to local time: the fallback text.
    if (GetParam().nanoseconds < 0) {
        EXPECT_EQ(formatLogTime(GetParam().nanoseconds), "Invalid time");
        return;
    }
#endif
    EXPECT_EQ(formatLogTime(GetParam().nanoseconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Instants, LogTime,
    testing::Values(TimeRow{0, "1970-01-01 00:00:00.000000"},
                    // Microseconds are zero-filled to six digits; nanoseconds are cut off.
                    TimeRow{5'000, "1970-01-01 00:00:00.000005"}, TimeRow{5'999, "1970-01-01 00:00:00.000005"},
                    TimeRow{1'741'356'131'093'215'123, "2025-03-07 14:02:11.093215"},
                    TimeRow{1'709'164'800'999'999'999, "2024-02-29 00:00:00.999999"},
                    // Before 1970 the fraction still counts forwards from the whole second.
                    TimeRow{-1'000, "1969-12-31 23:59:59.999999"},
                    TimeRow{-1'500'000'000, "1969-12-31 23:59:58.500000"}));

} // namespace
