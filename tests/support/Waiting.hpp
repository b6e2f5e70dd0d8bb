#pragma once

// Waiting for background work in tests: a condition polled until it holds.

#include <chrono>
#include <functional>
#include <thread>

namespace waiting {

using namespace std::chrono_literals;

// Background work gets this long to finish; a test waiting longer has failed.
inline constexpr std::chrono::milliseconds patience = 20s;

// Polls `done` every `interval` until it holds; false once `limit` has passed.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = patience,
                    std::chrono::milliseconds interval = 5ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(interval);
    }
    return true;
}

} // namespace waiting
