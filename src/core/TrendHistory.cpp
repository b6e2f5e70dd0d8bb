#include "TrendHistory.hpp"

#include "Csv.hpp"
#include "Logger.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>

#include <fmt/format.h>

namespace {

constexpr double gapValue = std::numeric_limits<double>::quiet_NaN();

} // namespace

TrendSeries::TrendSeries(std::size_t capacity) : ring(std::max<std::size_t>(capacity, 1)) {}

void TrendSeries::add(TrendSample sample) {
    if (count > 0 && sample.time < at(count - 1).time) {
        return;
    }
    if (count < ring.size()) {
        ring[(first + count) % ring.size()] = sample;
        ++count;
    } else {
        ring[first] = sample;
        first = (first + 1) % ring.size();
    }
}

std::size_t TrendSeries::lowerBound(std::int64_t time) const {
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (at(middle).time < time) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

TrendRange TrendSeries::range(std::int64_t from, std::int64_t to) const {
    TrendRange result;
    for (std::size_t i = lowerBound(from); i < count && at(i).time <= to; ++i) {
        const double value = at(i).value;
        if (std::isnan(value)) {
            continue;
        }
        result.min = result.count == 0 ? value : std::min(result.min, value);
        result.max = result.count == 0 ? value : std::max(result.max, value);
        result.last = value;
        ++result.count;
    }
    return result;
}

std::optional<double> trendValue(const TagInspector::Entry& row, const TagValue& read) {
    if (row.isString || read.result != ZOLTC_LOGIX_OK || !zoltc_logix_type_is_atomic(read.type)) {
        return std::nullopt;
    }
    if (read.value == "true" || read.value == "false") {
        return read.value == "true" ? 1.0 : 0.0;
    }
    double value = 0.0;
    const char* end = read.value.data() + read.value.size();
    const auto [stop, error] = std::from_chars(read.value.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

TrendHistory::TrendHistory(std::size_t samples) : capacity(samples) {}

void TrendHistory::record(const TagInspector::ReadBatch& batch) {
    std::erase_if(series, [&batch](const auto& kept) {
        return std::none_of(batch.entries.begin(), batch.entries.end(),
                            [&kept](const TagInspector::Entry& row) { return row.name == kept.first; });
    });
    for (std::size_t i = 0; i < batch.entries.size() && i < batch.values.size(); ++i) {
        const TagInspector::Entry& row = batch.entries[i];
        if (row.isString || !zoltc_logix_type_is_atomic(row.type)) {
            continue;
        }
        auto found = series.find(row.name);
        if (found == series.end()) {
            found = series.emplace(row.name, TrendSeries(capacity)).first;
        } else if (found->second.connection != batch.connectionGeneration) {
            // No line across the time the rows were not read.
            found->second.add(TrendSample{batch.startTime, gapValue});
        }
        found->second.connection = batch.connectionGeneration;
        found->second.add(TrendSample{batch.startTime, trendValue(row, batch.values[i]).value_or(gapValue)});
    }
}

const TrendSeries* TrendHistory::find(std::string_view name) const {
    const auto found = series.find(name);
    return found != series.end() ? &found->second : nullptr;
}

std::size_t TrendHistory::writeCsv(std::ostream& out, const std::vector<std::string>& names,
                                   std::int64_t from) const {
    std::vector<const TrendSeries*> columns;
    std::set<std::int64_t> times;
    out << "time";
    for (const std::string& name : names) {
        out << ',' << csvField(name);
        columns.push_back(find(name));
        if (const TrendSeries* kept = columns.back()) {
            for (std::size_t i = kept->lowerBound(from); i < kept->size(); ++i) {
                if (!kept->at(i).isGap()) {
                    times.insert(kept->at(i).time);
                }
            }
        }
    }
    out << '\n';
    std::vector<std::size_t> cursors(columns.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        cursors[c] = columns[c] != nullptr ? columns[c]->lowerBound(from) : 0;
    }
    std::string line;
    for (const std::int64_t time : times) {
        line = formatLogTime(time);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            line += ',';
            const TrendSeries* kept = columns[c];
            if (kept == nullptr) {
                continue;
            }
            std::size_t& i = cursors[c];
            while (i < kept->size() && kept->at(i).time < time) {
                ++i;
            }
            // A gap and a value may share a time: the value counts.
            while (i + 1 < kept->size() && kept->at(i).time == time && kept->at(i).isGap() &&
                   kept->at(i + 1).time == time) {
                ++i;
            }
            if (i < kept->size() && kept->at(i).time == time && !kept->at(i).isGap()) {
                line += fmt::format("{}", kept->at(i).value);
            }
        }
        line += '\n';
        out << line;
    }
    return times.size();
}

std::optional<std::string> TrendHistory::exportCsv(const std::filesystem::path& file,
                                                   const std::vector<std::string>& names, std::size_t* lines) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        return fmt::format("cannot write {}: {}", file.string(), std::strerror(errno));
    }
    const std::size_t written = writeCsv(out, names);
    out.close();
    if (!out) {
        return fmt::format("cannot write {}: the write failed", file.string());
    }
    if (lines != nullptr) {
        *lines = written;
    }
    return std::nullopt;
}
