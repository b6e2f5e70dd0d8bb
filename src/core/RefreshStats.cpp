#include "RefreshStats.hpp"

#include <algorithm>

void RefreshStats::record(const TagInspector::ReadBatch& batch) {
    if (totals.refreshes == 0 || batch.connectionGeneration != connection) {
        *this = RefreshStats();
        connection = batch.connectionGeneration;
        firstStart = batch.startTime;
    }
    const std::int64_t end = batch.startTime + batch.roundTrip;
    ++totals.refreshes;
    roundTripTotal += batch.roundTrip;
    totals.lastRoundTrip = batch.roundTrip;
    totals.averageRoundTrip = roundTripTotal / static_cast<std::int64_t>(totals.refreshes);
    totals.errors += static_cast<std::uint64_t>(std::count_if(
        batch.values.begin(), batch.values.end(), [](const TagValue& read) { return read.result != ZOLTC_LOGIX_OK; }));
    totals.lastRefresh = end;
    recent.push_back(Refresh{end, batch.values.size()});
    while (recent.front().end < end - rateSpan) {
        recent.pop_front();
    }
}

RefreshStats::Figures RefreshStats::figures(std::int64_t now) const {
    Figures result = totals;
    const std::int64_t from = now - std::min(rateSpan, std::max<std::int64_t>(now - firstStart, 1'000'000'000));
    std::size_t reads = 0;
    for (const Refresh& refresh : recent) {
        reads += refresh.end > from && refresh.end <= now ? refresh.reads : 0;
    }
    result.readsPerSecond = static_cast<double>(reads) * 1e9 / static_cast<double>(now - from);
    return result;
}
