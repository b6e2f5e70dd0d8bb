// Batch read benchmark: reads 10 to 10 000 DINT values from the simulator over
// loopback and reports, per workload,
//   - exchanges per call, measured in the simulator's request record, against
//     the fewest that the 500-byte packet budget allows for batches of 30
//     (computed here from the request sizes alone, by dynamic programming);
//   - the median wall time per call with 0 ms and with 1 ms added latency per
//     reply;
//   - the calling thread's CPU time per tag over the whole call, without the
//     waits (median), and which share of it ran in user mode, the library's own
//     work, rather than in the kernel's socket calls (over all calls); and the
//     CPU time per tag of the codecs alone (path encoding, packet encoding and
//     decoding, value decoding; no socket).
// Run by hand: bin/read_bench [repetition scale, default 1]. Exits non-zero
// when a read fails or the packing misses the minimum.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"

extern "C" {
#include "batch.h"
#include "read.h"
}

namespace {

constexpr uint32_t kBudget = 500;
constexpr uint32_t kBatch = 30;

struct Workload {
  std::string label;
  std::vector<std::string> paths;
  quillon::sim::Controller controller;
};

// prefix followed by i in `digits` digits: numbered("Tag_", 6, 7) is "Tag_000007".
std::string numbered(const std::string& prefix, size_t digits, int i) {
  std::string number = std::to_string(i);
  return prefix + std::string(digits > number.size() ? digits - number.size() : 0, '0') + number;
}

// n DINT tags with ten-character names; tag i holds i.
Workload plainNames(int n) {
  Workload w{"10-char names", {}, {}};
  std::string json = R"({"tags": [)";
  for (int i = 1; i <= n; ++i) {
    w.paths.push_back(numbered("Tag_", 6, i));
    json += (i > 1 ? "," : "") + std::string(R"({"name": ")") + w.paths.back() +
            R"(", "type": "DINT", "value": )" + std::to_string(i) + "}";
  }
  json += "]}";
  w.controller = quillon::sim::parseController(json);
  return w;
}

// n DINT members of production lines: Line_00001.Id, .Motor.RunHours,
// .Tanks[0].Batch to .Tanks[3].Batch, then the next line.
Workload memberPaths(int n) {
  Workload w{"member paths", {}, {}};
  static const char* kMembers[] = {".Id", ".Motor.RunHours", ".Tanks[0].Batch",
                                   ".Tanks[1].Batch", ".Tanks[2].Batch", ".Tanks[3].Batch"};
  int lines = (n + 5) / 6;
  std::string json = R"({"types": [
    {"name": "Motor", "members": [{"name": "Speed", "type": "REAL"}, {"name": "RunHours", "type": "DINT"}]},
    {"name": "Tank", "members": [{"name": "Level", "type": "REAL"}, {"name": "Batch", "type": "DINT"}]},
    {"name": "Line", "members": [{"name": "Id", "type": "DINT"}, {"name": "Motor", "type": "Motor"},
                                 {"name": "Tanks", "type": "Tank", "dim": 4}]}],
    "tags": [)";
  for (int i = 1; i <= lines; ++i) {
    json += (i > 1 ? "," : "") + std::string(R"({"name": ")") + numbered("Line_", 5, i) +
            R"(", "type": "Line", "value": {"Id": )" + std::to_string(i) + "}}";
  }
  json += "]}";
  for (int i = 0; i < n; ++i) {
    w.paths.push_back(numbered("Line_", 5, i / 6 + 1) + kMembers[i % 6]);
  }
  w.controller = quillon::sim::parseController(json);
  return w;
}

// CPU time of the calling thread; time blocked in a wait does not count.
double threadCpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// The calling thread's CPU time in user mode and in the kernel. Sampled at the
// scheduler's tick, so only sums over many calls are meaningful.
struct CpuSplit {
  double user = 0;
  double system = 0;
};

CpuSplit threadCpuSplit() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) *
           1e-7;
  };
  return {seconds(user), seconds(kernel)};
#else
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
#endif
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Message-router request size of a Read Tag of each path.
std::vector<uint32_t> requestSizes(const std::vector<std::string>& paths) {
  std::vector<uint32_t> sizes;
  zoltc_logix_path path{};
  for (const std::string& text : paths) {
    if (zoltc_logix_encode_tag_path(text.c_str(), &path) != ZOLTC_LOGIX_OK) {
      std::fprintf(stderr, "cannot encode %s\n", text.c_str());
      std::exit(2);
    }
    sizes.push_back(2 + path.length + 2);
  }
  zoltc_logix_path_free(&path);
  return sizes;
}

// The fewest exchanges for batches of 30 in order: a batch of one goes alone;
// otherwise the fewest runs of consecutive requests with 8 + sum(2 + e) <= 500.
uint64_t minimumExchanges(const std::vector<uint32_t>& sizes) {
  uint64_t total = 0;
  for (size_t first = 0; first < sizes.size(); first += kBatch) {
    size_t n = std::min<size_t>(kBatch, sizes.size() - first);
    if (n == 1) {
      ++total;
      continue;
    }
    std::vector<uint64_t> best(n + 1, UINT64_MAX);
    best[0] = 0;
    for (size_t end = 1; end <= n; ++end) {
      uint64_t bytes = 8;
      for (size_t start = end; start-- > 0;) {
        bytes += 2 + sizes[first + start];
        if (bytes > kBudget) {
          break;
        }
        if (best[start] != UINT64_MAX) {
          best[end] = std::min(best[end], best[start] + 1);
        }
      }
    }
    total += best[n];
  }
  return total;
}

uint64_t exchangesSince(quillon::sim::Server& server) {
  uint64_t count = 0;
  for (const auto& record : server.requests()) {
    count += !record.embedded && record.command == 0x6F;
  }
  return count;
}

bool allRead(const std::vector<zoltc_logix_read_item>& items, bool plain) {
  for (size_t k = 0; k < items.size(); ++k) {
    if (items[k].status != ZOLTC_LOGIX_OK || items[k].type != 0xC4) {
      std::fprintf(stderr, "%s: status %u type 0x%04X\n", items[k].tag_name, items[k].status,
                   items[k].type);
      return false;
    }
    int32_t value = 0;
    std::memcpy(&value, items[k].value, 4);
    if (plain && value != static_cast<int32_t>(k + 1)) {
      std::fprintf(stderr, "%s: value %d\n", items[k].tag_name, value);
      return false;
    }
  }
  return true;
}

struct Timing {
  double wallMs;
  double cpuPerTagUs;
  double userShare;  // of the CPU time over all calls: the library's own work, not the kernel's
};

Timing timeReads(zoltc_logix_client* client, std::vector<zoltc_logix_read_item>& items, int reps,
                 bool& ok) {
  std::vector<double> wall, cpu;
  const double tags = static_cast<double>(items.size());
  CpuSplit before = threadCpuSplit();
  for (int r = 0; r < reps; ++r) {
    double w0 = wallSeconds(), c0 = threadCpuSeconds();
    zoltc_logix_result result =
        zoltc_logix_read_tags(client, items.data(), static_cast<uint32_t>(items.size()));
    double c1 = threadCpuSeconds(), w1 = wallSeconds();
    if (result != ZOLTC_LOGIX_OK) {
      std::fprintf(stderr, "read failed: %s\n", zoltc_logix_result_name(result));
      ok = false;
    }
    wall.push_back((w1 - w0) * 1e3);
    cpu.push_back((c1 - c0) * 1e6 / tags);
  }
  CpuSplit after = threadCpuSplit();
  double user = after.user - before.user, system = after.system - before.system;
  return {median(wall), median(cpu), user + system > 0 ? user / (user + system) : 0};
}

// The codecs of one call without the socket: encode every path, encode the
// packets as the batch send packs them, decode a reply per packet and every value.
double codecCpuPerTagUs(const std::vector<std::string>& paths, int reps) {
  const size_t n = paths.size();
  std::vector<double> samples;
  std::vector<zoltc_logix_path> built(n);
  std::vector<zoltc_logix_cip_request> requests(n);
  std::vector<zoltc_logix_read_item> items(n);
  static const uint8_t oneElement[] = {1, 0};
  // A reply of up to 30 DINT responses: count, offsets, CC 00 00 00 C4 00 v v v v.
  std::vector<std::vector<uint8_t>> replies(kBatch + 1);
  for (uint32_t k = 1; k <= kBatch; ++k) {
    std::vector<uint8_t>& reply = replies[k];
    reply = {static_cast<uint8_t>(k), 0};
    for (uint32_t i = 0; i < k; ++i) {
      uint32_t offset = 2 + 2 * k + 10 * i;
      reply.push_back(static_cast<uint8_t>(offset));
      reply.push_back(static_cast<uint8_t>(offset >> 8));
    }
    for (uint32_t i = 0; i < k; ++i) {
      reply.insert(reply.end(), {0xCC, 0, 0, 0, 0xC4, 0, static_cast<uint8_t>(i), 0, 0, 0});
    }
  }
  for (int r = 0; r < reps; ++r) {
    double c0 = threadCpuSeconds();
    for (size_t i = 0; i < n; ++i) {
      zoltc_logix_path_init(&built[i]);
      zoltc_logix_encode_tag_path(paths[i].c_str(), &built[i]);
      requests[i] = {0x4C, built[i].data, built[i].length, oneElement, 2};
    }
    size_t next = 0;
    while (next < n) {
      size_t batchEnd = std::min(n, next + kBatch);
      uint32_t bytes = 8, count = 0;
      while (next + count < batchEnd &&
             bytes + 2 + 2 + requests[next + count].path_length + 2 <= kBudget) {
        bytes += 2 + 2 + requests[next + count].path_length + 2;
        ++count;
      }
      zoltc_logix_buffer packet{};
      zoltc_logix_msp_encode(&requests[next], count, &packet);
      zoltc_logix_buffer_free(&packet);
      zoltc_logix_cip_response_list list{};
      const std::vector<uint8_t>& reply = replies[count];
      zoltc_logix_msp_decode(reply.data(), static_cast<uint32_t>(reply.size()), &list);
      for (uint32_t k = 0; k < list.count; ++k) {
        zoltc_logix_read_item_decode(&list.responses[k], &items[next + k]);
      }
      zoltc_logix_cip_response_list_free(&list);
      next += count;
    }
    for (size_t i = 0; i < n; ++i) {
      zoltc_logix_path_free(&built[i]);
    }
    samples.push_back((threadCpuSeconds() - c0) * 1e6 / static_cast<double>(n));
  }
  return median(samples);
}

}  // namespace

int main(int argc, char** argv) {
  double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  bool ok = true;
  std::printf("%-14s %6s %9s %7s %10s %10s %10s %10s %10s\n", "workload", "tags", "exchanges",
              "minimum", "wall 0ms", "wall 1ms", "CPU/tag", "user share", "codec/tag");
  std::printf("%-14s %6s %9s %7s %10s %10s %10s %10s %10s\n", "", "", "per call", "", "median ms",
              "median ms", "median us", "all calls", "median us");
  for (bool plain : {true, false}) {
    for (int n : {10, 100, 1000, 10000}) {
      Workload w = plain ? plainNames(n) : memberPaths(n);
      quillon::sim::Server server(w.controller);
      uint16_t port = server.start(0, "127.0.0.1");
      zoltc_logix_client* client = zoltc_logix_client_create();
      if (client == nullptr || zoltc_logix_connect(client, "127.0.0.1", port, 10000) != ZOLTC_LOGIX_OK) {
        std::fprintf(stderr, "cannot connect\n");
        return 2;
      }
      std::vector<zoltc_logix_read_item> items(w.paths.size());
      for (size_t i = 0; i < items.size(); ++i) {
        items[i].tag_name = w.paths[i].c_str();
      }

      server.clearRequests();
      ok = zoltc_logix_read_tags(client, items.data(), static_cast<uint32_t>(n)) == ZOLTC_LOGIX_OK &&
           allRead(items, plain) && ok;
      uint64_t exchanges = exchangesSince(server);
      uint64_t minimum = minimumExchanges(requestSizes(w.paths));
      if (exchanges != minimum) {
        std::fprintf(stderr, "%s, %d tags: %llu exchanges, minimum %llu\n", w.label.c_str(), n,
                     static_cast<unsigned long long>(exchanges),
                     static_cast<unsigned long long>(minimum));
        ok = false;
      }

      auto reps = [&](double work) {
        return std::max(5, static_cast<int>(scale * work / static_cast<double>(n)));
      };
      quillon::sim::Options options;
      options.requestRecordLimit = 1;  // keep the simulator's bookkeeping out of the timing
      server.setOptions(options);
      Timing fast = timeReads(client, items, reps(20000), ok);
      options.latencyMs = 1;
      server.setOptions(options);
      Timing slow = timeReads(client, items, reps(2000), ok);
      double codec = codecCpuPerTagUs(w.paths, reps(200000));

      std::printf("%-14s %6d %9llu %7llu %10.3f %10.3f %10.3f %10.2f %10.3f\n", w.label.c_str(),
                  n, static_cast<unsigned long long>(exchanges),
                  static_cast<unsigned long long>(minimum), fast.wallMs, slow.wallMs,
                  fast.cpuPerTagUs, fast.userShare, codec);
      std::fflush(stdout);
      zoltc_logix_client_destroy(client);
      server.stop();
    }
  }
  return ok ? 0 : 1;
}
