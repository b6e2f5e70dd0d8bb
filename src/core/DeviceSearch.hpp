#pragma once

// One ListIdentity search at a time, on a thread of its own: a search never waits behind
// the controller's worker (a stalled connect there) and never holds up the UI thread. The
// UI starts it and polls the outcome; `done` (run on the search's thread) may ask for a
// frame.

#include "zoltc_logix.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class DeviceSearch {
public:
    // How long replies are collected.
    static constexpr std::uint32_t windowMs = 1500;

    struct Device {
        std::string productName;
        std::string host;       // dotted IPv4 the reply came from
        std::uint16_t port = 0; // the port the device reports (the reply's own when it reports none)
        std::uint16_t deviceType = 0;
    };

    struct Outcome {
        zoltc_logix_result result = ZOLTC_LOGIX_OK;
        std::vector<Device> devices; // in order of arrival
        std::uint32_t skipped = 0;   // replies that were malformed or not ours
    };

    DeviceSearch() = default;
    // Waits for a running search (at most windowMs).
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // Sends ListIdentity to host:port (a broadcast address, or one device) and collects
    // every reply of the window. False, starting nothing, while a search runs. UI thread.
    bool start(const std::string& host, std::uint16_t port, std::function<void()> done);
    bool isRunning() const { return running.load(); }
    // The last finished search's outcome; nothing before the first one ends. Any thread.
    std::optional<Outcome> outcome() const;

private:
    std::thread worker;
    std::atomic<bool> running{false};
    mutable std::mutex mutex; // guards last
    std::optional<Outcome> last;
};
