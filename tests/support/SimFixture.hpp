#pragma once

// The simulator served in-process on a free loopback port: the sample controller by default.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "quillon_sim/server.hpp"
#include "Waiting.hpp"

namespace simtest {

using namespace std::chrono_literals;
using waiting::patience;
using waiting::waitFor;

inline constexpr std::uint16_t kUnRegisterSession = 0x66;
inline constexpr std::uint8_t kListSymbols = 0x55;
inline constexpr std::uint8_t kReadTag = 0x4C;

inline const quillon::sim::Controller& sampleController() {
    static const quillon::sim::Controller controller = quillon::sim::loadController(QUILLON_SAMPLE_JSON);
    return controller;
}

// A loopback port nothing listens on: a simulator's port after it stopped.
inline std::uint16_t closedPort() {
    quillon::sim::Server gone{quillon::sim::Controller{}};
    const std::uint16_t port = gone.start(0);
    gone.stop();
    return port;
}

// Read Tag requests the controller answered for this tag path so far.
inline int readsOf(const quillon::sim::Server& server, const std::string& path) {
    int count = 0;
    for (const quillon::sim::RequestRecord& record : server.requests()) {
        count += record.service == kReadTag && record.path == path ? 1 : 0;
    }
    return count;
}

class SimTest : public testing::Test {
protected:
    // Replaces the simulator, and sets port and address. Values that change over time stand
    // still unless liveValues is set.
    void startSim(quillon::sim::Options options = {},
                  const quillon::sim::Controller& controller = sampleController(),
                  std::function<void(const quillon::sim::RequestRecord&)> observer = nullptr) {
        if (server) {
            server->stop();
        }
        if (!liveValues && !options.liveClockMs) {
            options.liveClockMs = 0;
        }
        server = std::make_unique<quillon::sim::Server>(controller, options);
        if (observer) {
            server->setRequestObserver(std::move(observer));
        }
        port = server->start(0);
        address = "127.0.0.1:" + std::to_string(port);
    }

    void TearDown() override {
        if (server) {
            server->stop();
        }
    }

    bool liveValues = false;
    std::unique_ptr<quillon::sim::Server> server;
    std::uint16_t port = 0;
    std::string address;
};

} // namespace simtest
