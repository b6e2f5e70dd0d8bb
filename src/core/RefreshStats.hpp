#pragma once

// The figures of the status line, kept from the refreshes the inspector collects: tag
// reads per second, the last and average round-trip time of a refresh, the reads that
// failed since the connection was made, and when the last refresh ended. A refresh on a
// new connection starts the figures afresh. UI thread only.

#include "TagInspector.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>

class RefreshStats {
public:
    // Reads per second are counted over this span, or since the connection's first
    // refresh when that is shorter (at least a second).
    static constexpr std::int64_t rateSpan = 10'000'000'000;

    struct Figures {
        double readsPerSecond = 0.0;
        std::int64_t lastRoundTrip = 0;    // nanoseconds
        std::int64_t averageRoundTrip = 0; // nanoseconds, over the connection's refreshes
        std::uint64_t errors = 0;          // reads that gave no value since the connection was made
        std::uint64_t refreshes = 0;       // since the connection was made
        std::int64_t lastRefresh = 0;      // when the last refresh ended, on the inspector's clock; 0 before one
    };

    void record(const TagInspector::ReadBatch& batch);
    // The figures as of `now` (the inspector's clock).
    Figures figures(std::int64_t now) const;

private:
    struct Refresh {
        std::int64_t end = 0;
        std::size_t reads = 0;
    };
    std::uint64_t connection = 0;
    std::int64_t firstStart = 0;
    std::int64_t roundTripTotal = 0;
    Figures totals;
    std::deque<Refresh> recent; // those that ended within rateSpan of the last one
};
