#pragma once

// The sample controller served in-process on a free port, and quillon-cli's command
// line run against it in-process.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Cli.hpp"
#include "quillon_sim/server.hpp"

namespace clitest {

constexpr std::uint16_t kUnRegisterSession = 0x66;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class SampleController : public testing::Test {
protected:
    // Starts the sample with the given knobs; values that change over time stand still
    // unless `liveValues` is set.
    void startSample(quillon::sim::Options options = {}, bool liveValues = false, const std::string& host = "127.0.0.1") {
        if (!liveValues) {
            options.liveClockMs = 0;
        }
        server = std::make_unique<quillon::sim::Server>(quillon::sim::loadController(QUILLON_SAMPLE_JSON), options);
        server->setRequestObserver([this](const quillon::sim::RequestRecord& record) {
            if (record.command == kUnRegisterSession && !record.embedded) {
                std::lock_guard lock(mutex);
                ++unregisters;
                changed.notify_all();
            }
        });
        port = server->start(0, host);
        address = (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port);
    }

    void SetUp() override { startSample(); }

    void TearDown() override {
        if (server) {
            server->stop();
        }
    }

    CliRun run(std::vector<std::string> words) const {
        std::ostringstream out;
        std::ostringstream err;
        const std::atomic<bool> stop{false};
        CliRun result;
        result.status = cli::runCli(words, out, err, stop);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // True once the server has seen `count` UnRegisterSession requests (within 20 s).
    bool waitForUnregisters(int count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return unregisters >= count; });
    }

    // Declared before the server, so that they outlive it.
    std::mutex mutex;
    std::condition_variable changed;
    int unregisters = 0;

    std::unique_ptr<quillon::sim::Server> server;
    std::uint16_t port = 0;
    std::string address;
};

} // namespace clitest
