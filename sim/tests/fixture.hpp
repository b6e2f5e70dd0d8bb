// The simulator's and the client's tests' fixture: a server on 127.0.0.1, a port per test, and a
// copy of every request it records to wait for instead of sleeping. Portable (Windows too).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "quillon_sim/server.hpp"

namespace quillon::sim::test {

// Names a parameterised case after its `label`: INSTANTIATE_TEST_SUITE_P(..., LabelName{}).
struct LabelName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& row) const {
    return row.param.label;
  }
};

class ServerTest : public ::testing::Test {
 protected:
  virtual Controller makeController() const = 0;
  virtual Options makeOptions() const { return {}; }

  void SetUp() override { start(makeController(), makeOptions()); }
  void TearDown() override {
    if (server_) server_->stop();
  }

  // Serves `controller` from now on, on a new port, with no records yet.
  void start(Controller controller, const Options& options = {}) {
    if (server_) server_->stop();
    server_ = std::make_unique<Server>(std::move(controller), options);
    clearRecords();
    server_->setRequestObserver([this](const RequestRecord& record) {
      {
        std::lock_guard lock(mutex_);
        records_.push_back(record);
      }
      recorded_.notify_all();
    });
    port_ = server_->start(0, "127.0.0.1");
  }
  void setOptions(const std::function<void(Options&)>& change) {
    Options options = server_->options();
    change(options);
    server_->setOptions(options);
  }

  Server& server() { return *server_; }
  uint16_t port() const { return port_; }

  // The records made so far, oldest first; those carried inside another request only if asked.
  std::vector<RequestRecord> records(bool withEmbedded = false) const {
    std::lock_guard lock(mutex_);
    std::vector<RequestRecord> out;
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(out),
                 [&](const RequestRecord& record) { return withEmbedded || !record.embedded; });
    return out;
  }
  void clearRecords() {
    std::lock_guard lock(mutex_);
    records_.clear();
  }
  bool waitForRecord(const std::function<bool(const RequestRecord&)>& match,
                     std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return recorded_.wait_for(lock, limit, [&] { return std::any_of(records_.begin(), records_.end(), match); });
  }

 private:
  std::unique_ptr<Server> server_;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable recorded_;
  std::vector<RequestRecord> records_;
};

// A port on which nothing listens: a server's port after it stopped.
inline uint16_t closedPort() {
  Server server(Controller{});
  const uint16_t port = server.start(0, "127.0.0.1");
  server.stop();
  return port;
}

}  // namespace quillon::sim::test
