// The trend's history and the status line's figures, fed with refreshes made by hand.
#include "Logger.hpp"
#include "RefreshStats.hpp"
#include "TrendHistory.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

constexpr std::int64_t second = 1'000'000'000;
constexpr std::int64_t t0 = 1'741'356'131 * second;

struct Read {
    const char* name;
    std::uint16_t type;
    const char* value; // null: the read failed
    bool isString = false;
};

// A refresh that ran (ReadBatch holds an atomic: it stays where it was made).
std::unique_ptr<TagInspector::ReadBatch> refresh(std::int64_t start, std::vector<Read> reads,
                                                 std::uint64_t connection = 1) {
    auto made = std::make_unique<TagInspector::ReadBatch>();
    made->ran = true;
    made->startTime = start;
    made->connectionGeneration = connection;
    made->roundTrip = 2'000'000;
    for (const Read& read : reads) {
        TagInspector::Entry row;
        row.name = read.name;
        row.type = read.type;
        row.isString = read.isString;
        made->entries.push_back(row);
        TagValue value;
        value.type = read.type;
        value.result = read.value != nullptr ? ZOLTC_LOGIX_OK : ZOLTC_LOGIX_ERR_CIP_STATUS;
        value.value = read.value != nullptr ? read.value : "";
        made->values.push_back(value);
    }
    return made;
}

TEST(TrendSeries, KeepsTheNewestInTimeOrderAndRangesSkipGaps) {
    TrendSeries series(3);
    const std::vector<double> added{1.0, 9.0, std::nan(""), 4.0, 2.0};
    for (std::size_t i = 0; i < added.size(); ++i) {
        series.add(TrendSample{t0 + static_cast<std::int64_t>(i + 1) * second, added[i]});
    }
    series.add(TrendSample{t0 + 2 * second, 7.0}); // older than the last: dropped
    ASSERT_EQ(series.size(), 3u);
    EXPECT_TRUE(series.at(0).isGap());
    EXPECT_EQ(series.lowerBound(t0 + 4 * second), 1u);
    const TrendRange range = series.range(t0, t0 + 100 * second);
    EXPECT_EQ(range.count, 2u);
    EXPECT_EQ(range.min, 2.0);
    EXPECT_EQ(range.max, 4.0);
    EXPECT_EQ(range.last, 2.0);
    EXPECT_EQ(series.range(t0, t0 + 3 * second).count, 0u) << "a gap alone";
}

// Failures are gaps; no line across the time between connections.
TEST(TrendHistory, RecordsTheNumbersAndWritesThemAsCsv) {
    TrendHistory history;
    history.record(*refresh(t0, {{"Flag", ZOLTC_LOGIX_TYPE_BOOL, "true"},
                              {"Count", ZOLTC_LOGIX_TYPE_DINT, "-5"}, // its value: the CSV's
                              {"Broken", ZOLTC_LOGIX_TYPE_REAL, "nan"},
                              {"Gone", ZOLTC_LOGIX_TYPE_INT, nullptr},
                              {"Text", 0x8FCE, "hello", true}}));
    EXPECT_EQ(history.find("Flag")->at(0).value, 1.0);
    EXPECT_TRUE(history.find("Broken")->at(0).isGap());
    EXPECT_TRUE(history.find("Gone")->at(0).isGap());
    EXPECT_EQ(history.find("Text"), nullptr);

    history.record(*refresh(t0 + 5 * second, {{"Count", ZOLTC_LOGIX_TYPE_DINT, "7"},
                                              {"Grid[1,2]", ZOLTC_LOGIX_TYPE_REAL, "0.5"}}, 2));
    EXPECT_EQ(history.find("Flag"), nullptr);
    const TrendSeries& count = *history.find("Count");
    ASSERT_EQ(count.size(), 3u);
    EXPECT_TRUE(count.at(1).isGap());
    EXPECT_EQ(count.at(2).value, 7.0);
    history.record(*refresh(t0 + 6 * second, {{"Count", ZOLTC_LOGIX_TYPE_DINT, nullptr},
                                              {"Grid[1,2]", ZOLTC_LOGIX_TYPE_REAL, "-1e-07"}}, 2));
    history.record(*refresh(t0 + 7 * second, {{"Count", ZOLTC_LOGIX_TYPE_DINT, nullptr},
                                              {"Grid[1,2]", ZOLTC_LOGIX_TYPE_REAL, nullptr}}, 2));
    const std::string expected = "time,Count,\"Grid[1,2]\",None\n" + formatLogTime(t0) + ",-5,,\n" +
                                 formatLogTime(t0 + 5 * second) + ",7,0.5,\n" + formatLogTime(t0 + 6 * second) +
                                 ",,-1e-07,\n";
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "quillon-trend-test.csv";
    std::size_t lines = 0;
    EXPECT_EQ(history.exportCsv(file, {"Count", "Grid[1,2]", "None"}, &lines), std::nullopt);
    EXPECT_EQ(lines, 3u);
    std::ostringstream written;
    written << std::ifstream(file).rdbuf();
    EXPECT_EQ(written.str(), expected);
    std::filesystem::remove(file);
    const auto failure = history.exportCsv(file / "no-such-folder" / "x.csv", {"A"});
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->starts_with("cannot write ")) << *failure;
}

TEST(RefreshStats, CountReadsRoundTripsAndErrorsSinceTheConnection) {
    RefreshStats stats;
    for (int i = 0; i < 12; ++i) {
        const auto made = refresh(t0 + i * second, {{"A", ZOLTC_LOGIX_TYPE_DINT, "1"},
                                                    {"B", ZOLTC_LOGIX_TYPE_DINT, i % 2 ? nullptr : "2"}});
        made->roundTrip = (i + 1) * 1'000'000;
        stats.record(*made);
    }
    RefreshStats::Figures figures = stats.figures(t0 + 11 * second + 12'000'000);
    EXPECT_EQ(figures.refreshes, 12u);
    EXPECT_EQ(figures.errors, 6u);
    EXPECT_EQ(figures.lastRoundTrip, 12'000'000);
    EXPECT_EQ(figures.averageRoundTrip, 6'500'000);
    EXPECT_EQ(figures.lastRefresh, t0 + 11 * second + 12'000'000);
    EXPECT_DOUBLE_EQ(figures.readsPerSecond, 2.0) << "the last ten seconds' refreshes";
    EXPECT_DOUBLE_EQ(stats.figures(t0 + 30 * second).readsPerSecond, 0.0) << "no reads lately";

    stats.record(*refresh(t0 + 40 * second, {{"A", ZOLTC_LOGIX_TYPE_DINT, nullptr}}, 2));
    figures = stats.figures(t0 + 40 * second + 2'000'000);
    EXPECT_EQ(figures.refreshes, 1u) << "a new connection starts afresh";
    EXPECT_EQ(figures.errors, 1u);
    EXPECT_DOUBLE_EQ(figures.readsPerSecond, 1.0) << "over at least a second";
}

} // namespace
