// A simulator serving one controller per test, a connected client, and views of
// what the client asked for, for the browse integration tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"
#include "simulator.hpp"
#include "test_allocator.hpp"
#include "zoltc_logix.h"

namespace browse_test {

inline constexpr uint8_t kGetInstanceAttributeList = 0x55;
inline constexpr uint8_t kGetAttributeList = 0x03;
inline constexpr uint8_t kReadTemplate = 0x4C;
inline constexpr uint16_t kSendRRData = 0x6F;

// The instance number of a record's path ("... class 0x6C instance 291"), if any.
inline std::optional<uint32_t> pathInstance(const std::string& path) {
  static const std::string word = "instance ";
  size_t at = path.rfind(word);
  if (at == std::string::npos) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(std::stoul(path.substr(at + word.size())));
}

class BrowseTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kTimeoutMs = 5000;

  void TearDown() override {
    zoltc_logix_tag_info_list_free(&list_);
    zoltc_logix_client_destroy(client_);
    client_ = nullptr;
    if (server_) {
      server_->stop();
    }
  }

  // Starts a server for `controller` and connects a new client to it.
  void serve(quillon::sim::Controller controller, const quillon::sim::Options& options = {}) {
    server_ = quillon::testing::startServer(std::move(controller), options);
    client_ = zoltc_logix_client_create();
    ASSERT_NE(client_, nullptr);
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    server_->clearRequests();
  }

  zoltc_logix_result connect() {
    return zoltc_logix_connect(client_, "127.0.0.1", server_->port(), kTimeoutMs);
  }

  // Browses into the fixture's list (released first), the controller scope or a program.
  zoltc_logix_result browse(const char* program = nullptr) {
    zoltc_logix_tag_info_list_free(&list_);
    return program == nullptr ? zoltc_logix_list_tags(client_, &list_)
                              : zoltc_logix_list_program_tags(client_, &list_, program);
  }

  // The CIP requests that travelled on their own in SendRRData, oldest first.
  std::vector<quillon::sim::RequestRecord> exchanges(std::optional<uint8_t> service = {}) const {
    std::vector<quillon::sim::RequestRecord> out;
    for (const auto& record : server_->requests()) {
      if (record.command == kSendRRData && !record.embedded &&
          (!service || record.service == *service)) {
        out.push_back(record);
      }
    }
    return out;
  }

  const zoltc_logix_tag_info* find(const char* name) const {
    for (uint32_t i = 0; i < list_.count; ++i) {
      if (std::string(list_.items[i].name) == name) {
        return &list_.items[i];
      }
    }
    return nullptr;
  }

  quillon::sim::Server& server() { return *server_; }
  zoltc_logix_client* client() const { return client_; }
  zoltc_logix_tag_info_list& list() { return list_; }

 private:
  std::unique_ptr<quillon::sim::Server> server_;
  zoltc_logix_client* client_ = nullptr;
  zoltc_logix_tag_info_list list_{};
};

// The members of a structure record as one line of text, recursively:
// "Motor{Running#1:C1, History#3:20CA[4], Inlet#4:Valve{...}}". Structure
// members show their template name instead of their type word.
inline std::string renderMembers(const zoltc_logix_tag_info& record) {
  if (record.type_name == nullptr) {
    return "(no template)";
  }
  std::string text = std::string(record.type_name) + "{";
  for (uint32_t i = 0; i < record.members.count; ++i) {
    const zoltc_logix_tag_info& member = record.members.items[i];
    if (i > 0) {
      text += ", ";
    }
    text += std::string(member.name) + "#" + std::to_string(member.instance_id) + ":";
    if (zoltc_logix_type_is_struct(member.type)) {
      text += renderMembers(member);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%X", member.type);
      text += hex;
    }
    if (member.dims[0] != 0) {
      text += "[" + std::to_string(member.dims[0]) + "]";
    }
  }
  return text + "}";
}

// Total records of a list, members at every depth included.
inline uint64_t countRecords(const zoltc_logix_tag_info_list& list) {
  uint64_t total = list.count;
  for (uint32_t i = 0; i < list.count; ++i) {
    total += countRecords(list.items[i].members);
  }
  return total;
}

}  // namespace browse_test
