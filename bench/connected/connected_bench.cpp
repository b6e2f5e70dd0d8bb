// Unconnected and connected messaging side by side on the same simulator, at
// 10 ms added latency per reply: a browse of a generated controller with
// 10 000 tags and 200 structure types (on a fresh connection, so no template
// is cached), and one read of 1 000 DINT tags. For each mode and workload it
// prints the exchanges on the wire (from the simulator's request record), and
// the medians over the runs of the wall time and the calling thread's CPU
// time. Run by hand: bin/connected_bench [runs, default 5]. Exits non-zero
// when a call fails.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"
#include "zoltc_logix.h"

namespace {

constexpr uint32_t kLatencyMs = 10;
constexpr uint32_t kTimeoutMs = 10000;

double threadCpuSeconds() {
#ifdef _WIN32
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Row {
  uint64_t exchanges = 0;  // of the last run; every run sends the same
  std::map<uint8_t, uint64_t> services;  // the exchanges by their outer service
  double wall = 0;
  double cpu = 0;
};

// Runs `call` on a fresh connection in `mode`, `runs` times.
Row measure(quillon::sim::Server& server, zoltc_logix_messaging mode, int runs,
            const std::function<bool(zoltc_logix_client*)>& call) {
  std::vector<double> walls;
  std::vector<double> cpus;
  Row row;
  for (int run = 0; run < runs; ++run) {
    zoltc_logix_client* client = zoltc_logix_client_create();
    zoltc_logix_set_messaging(client, mode);
    if (zoltc_logix_connect(client, "127.0.0.1", server.port(), kTimeoutMs) != ZOLTC_LOGIX_OK) {
      std::fprintf(stderr, "connect failed\n");
      std::exit(1);
    }
    server.clearRequests();
    const double cpu = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = call(client);
    walls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    cpus.push_back(threadCpuSeconds() - cpu);
    if (!ok) {
      std::fprintf(stderr, "call failed\n");
      std::exit(1);
    }
    row.exchanges = 0;
    row.services.clear();
    for (const auto& record : server.requests()) {
      if (record.embedded || (record.command != 0x6F && record.command != 0x70)) continue;
      ++row.exchanges;
      ++row.services[record.service];
    }
    zoltc_logix_client_destroy(client);
  }
  row.wall = median(walls);
  row.cpu = median(cpus);
  return row;
}

void print(const char* workload, const char* mode, const Row& row, uint32_t items) {
  std::string services;
  for (const auto& [service, count] : row.services) {
    char part[24];
    std::snprintf(part, sizeof part, " 0x%02X:%llu", service, static_cast<unsigned long long>(count));
    services += part;
  }
  std::printf("%-28s %-12s %9llu %9.0f %9.1f %12.2f %s\n", workload, mode,
              static_cast<unsigned long long>(row.exchanges), row.wall * 1e3, row.cpu * 1e3,
              row.cpu * 1e6 / items, services.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  quillon::sim::Options options;
  options.latencyMs = kLatencyMs;
  options.requestRecordLimit = 100000;

  quillon::sim::GenerateSpec spec;
  spec.tags = 10000;
  spec.types = 200;
  quillon::sim::Server browsed(quillon::sim::generateController(spec), options);
  browsed.start();

  std::string json = R"({"tags": [)";
  std::vector<std::string> names;
  for (int i = 1; i <= 1000; ++i) {
    names.push_back("Dint_" + std::to_string(10000 + i));
    json += (i > 1 ? "," : "") + std::string(R"({"name": ")") + names.back() + R"(", "type": "DINT", "value": )" +
            std::to_string(i) + "}";
  }
  json += "]}";
  quillon::sim::Server read(quillon::sim::parseController(json), options);
  read.start();

  auto browse = [](zoltc_logix_client* client) {
    zoltc_logix_tag_info_list list{};
    const bool ok = zoltc_logix_list_tags(client, &list) == ZOLTC_LOGIX_OK && list.count >= 10000;
    zoltc_logix_tag_info_list_free(&list);
    return ok;
  };
  auto readAll = [&](zoltc_logix_client* client) {
    std::vector<zoltc_logix_read_item> items(names.size());
    for (size_t k = 0; k < names.size(); ++k) items[k].tag_name = names[k].c_str();
    if (zoltc_logix_read_tags(client, items.data(), static_cast<uint32_t>(items.size())) != ZOLTC_LOGIX_OK) {
      return false;
    }
    for (size_t k = 0; k < items.size(); ++k) {
      if (items[k].status != ZOLTC_LOGIX_OK || items[k].value[0] != static_cast<uint8_t>(k + 1)) return false;
    }
    return true;
  };

  std::printf("%d runs, %u ms latency per reply; medians\n", runs, kLatencyMs);
  std::printf("%-28s %-12s %9s %9s %9s %12s%s\n", "workload", "mode", "exchanges", "wall ms", "cpu ms", "cpu us/item", " by service");
  const struct {
    const char* name;
    zoltc_logix_messaging mode;
  } modes[] = {{"unconnected", ZOLTC_LOGIX_MESSAGING_UNCONNECTED}, {"auto", ZOLTC_LOGIX_MESSAGING_AUTO}};
  for (const auto& mode : modes) {
    print("read 1 000 DINTs", mode.name, measure(read, mode.mode, runs, readAll), 1000);
  }
  for (const auto& mode : modes) {
    print("browse 10 000 tags/200 types", mode.name, measure(browsed, mode.mode, runs, browse), 10000);
  }
  return 0;
}
