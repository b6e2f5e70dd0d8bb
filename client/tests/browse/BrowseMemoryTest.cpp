// A browse meets an allocation failure at every point it allocates: each run
// reports it, leaves the list empty and leaks nothing.
#include <string>

#include <gtest/gtest.h>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"
#include "simulator.hpp"
#include "test_allocator.hpp"
#include "zoltc_logix.h"

namespace {

constexpr const char* kController = R"({
  "types": [
    {"name": "Valve", "members": [
      {"name": "Open", "type": "BOOL"}, {"name": "Label", "type": "STRING"}]},
    {"name": "Motor", "members": [
      {"name": "Running", "type": "BOOL"}, {"name": "History", "type": "REAL", "dim": 4},
      {"name": "Inlet", "type": "Valve"}, {"name": "Outlet", "type": "Valve"}]}
  ],
  "tags": [
    {"name": "Counter", "type": "DINT"}, {"name": "Pump", "type": "Motor"},
    {"name": "Pumps", "type": "Motor", "dims": [2]}, {"name": "__CONTAINER", "type": "DINT"},
    {"name": "Title", "type": "STRING"}
  ],
  "programs": [{"name": "MainProgram", "tags": [
    {"name": "Local", "type": "Valve"}, {"name": "Step", "type": "DINT"}]}]
})";

class BrowseMemory : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    quillon::sim::Options options;
    options.symbolsPerPage = 2;  // several pages, so that the record array grows
    options.templateBytesPerReply = 40;
    server_ = quillon::testing::startServer(quillon::sim::parseController(kController), options);
    // The handle's own blocks come from the counting table too, so that every
    // block can be accounted for.
    client_ = zoltc_logix_client_create();
    ASSERT_NE(client_, nullptr);
  }

  void TearDown() override {
    zoltc_logix_client_destroy(client_);
    server_->stop();
  }

  zoltc_logix_result connect() {
    return zoltc_logix_connect(client_, "127.0.0.1", server_->port(), 5000);
  }

  zoltc_logix_result browse(zoltc_logix_tag_info_list* list) {
    const char* program = GetParam();
    return *program == '\0' ? zoltc_logix_list_tags(client_, list)
                            : zoltc_logix_list_program_tags(client_, list, program);
  }

  quillon::testing::TestAllocator allocator_;
  std::unique_ptr<quillon::sim::Server> server_;
  zoltc_logix_client* client_ = nullptr;
};

// Each run connects, browses with the n-th allocation failing and disconnects;
// afterwards the handle holds exactly what a disconnected handle holds. (A
// failure inside an exchange closes the session, so every run connects anew.)
TEST_P(BrowseMemory, EveryAllocationFailure) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  zoltc_logix_disconnect(client_);
  const size_t disconnected = allocator_.liveBlocks();
  uint64_t injected = 0;
  for (uint64_t n = 1; n < 100000; ++n) {
    allocator_.failAt(0);
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    allocator_.failAt(n);
    zoltc_logix_tag_info_list list{};
    zoltc_logix_result result = browse(&list);
    const bool failed = allocator_.injected();
    allocator_.failAt(0);
    if (failed) {
      ++injected;
      EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY) << "allocation " << n;
      EXPECT_EQ(list.count, 0u) << "allocation " << n;
      EXPECT_EQ(list.items, nullptr) << "allocation " << n;
    } else {
      EXPECT_EQ(result, ZOLTC_LOGIX_OK);
      EXPECT_GT(list.count, 0u);
    }
    zoltc_logix_tag_info_list_free(&list);
    zoltc_logix_disconnect(client_);
    EXPECT_EQ(allocator_.liveBlocks(), disconnected) << "blocks left behind by allocation " << n;
    if (!failed) {
      break;
    }
  }
  // Scope text, paths, packets, replies, names, the record array, the cache,
  // templates and member records: many distinct points.
  EXPECT_GT(injected, 50u);
}

INSTANTIATE_TEST_SUITE_P(Scopes, BrowseMemory, ::testing::Values("", "MainProgram"),
                         [](const auto& row) {
                           return std::string(*row.param == '\0' ? "Controller" : row.param);
                         });

}  // namespace
