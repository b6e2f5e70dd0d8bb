#pragma once

// The recent values of the watched rows, for the trend pane: one bounded ring of
// timestamped samples per numeric row (30 minutes at one read a second), fed by every
// refresh the inspector collects. A failed read, and the time between two connections,
// are gaps: kept as a sample without a value, so that a line breaks there, and never
// drawn, counted or exported as a value. The model knows nothing of ImGui; TrendView
// draws it. UI thread only.

#include "TagInspector.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct TrendSample {
    std::int64_t time = 0; // nanoseconds since 1970, on the inspector's clock
    double value = 0.0;    // NaN for a gap
    bool isGap() const { return std::isnan(value); }
};

// The least, greatest and last value over a time span; count 0 when it holds none.
struct TrendRange {
    double min = 0.0;
    double max = 0.0;
    double last = 0.0;
    std::size_t count = 0;
};

// A ring of samples in time order: when full, each new sample replaces the oldest.
class TrendSeries {
public:
    explicit TrendSeries(std::size_t capacity);
    // Appends the sample; one older than the last is dropped (time order is what the
    // searches rely on).
    void add(TrendSample sample);
    std::size_t size() const { return count; }
    // The i-th sample kept, 0 the oldest.
    const TrendSample& at(std::size_t i) const { return ring[(first + i) % ring.size()]; }
    // The index of the first sample at or after `time` (size() when there is none).
    std::size_t lowerBound(std::int64_t time) const;
    // The values (not gaps) from `from` to `to`, both included.
    TrendRange range(std::int64_t from, std::int64_t to) const;
    std::uint64_t connection = 0; // the connection generation of the last sample

private:
    std::vector<TrendSample> ring;
    std::size_t first = 0;
    std::size_t count = 0;
};

// The value of a read for the trend: BOOL as 0 or 1, numbers as they read; nothing for a
// failed read, a STRING, or a value without a finite number (a REAL's NaN).
std::optional<double> trendValue(const TagInspector::Entry& row, const TagValue& read);

class TrendHistory {
public:
    static constexpr std::size_t defaultCapacity = 30 * 60;

    explicit TrendHistory(std::size_t capacity = defaultCapacity);

    // Takes a collected refresh: each numeric row gets a sample at the batch's start time
    // (a gap for a failed read, after a gap when the connection is another one); the
    // series of rows the batch no longer lists go.
    void record(const TagInspector::ReadBatch& batch);
    // The series of a row, or null when it has none.
    const TrendSeries* find(std::string_view name) const;
    void clear() { series.clear(); }

    // The named series as comma-separated values: a header "time,NAME,...", then a line per
    // sample time from `from` on, with the local time and each series' value at that time
    // (empty for a gap or no sample). Returns the number of lines after the header.
    std::size_t writeCsv(std::ostream& out, const std::vector<std::string>& names, std::int64_t from = 0) const;
    // writeCsv into a file; the error text ("cannot write /x/y.csv: ..."), or nothing.
    std::optional<std::string> exportCsv(const std::filesystem::path& file, const std::vector<std::string>& names,
                                         std::size_t* lines = nullptr) const;

private:
    std::size_t capacity;
    std::map<std::string, TrendSeries, std::less<>> series;
};
