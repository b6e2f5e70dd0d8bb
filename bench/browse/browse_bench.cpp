// Browse benchmark against the simulator over loopback, run by hand:
//
//   bin/browse_bench [runs] [reply-limit]
//
// Browses two generated controllers (10 000 tags over 200 structure types, and
// 250 000 tags over 2 000 types and 100 programs), every scope on a fresh
// connection, `runs` times each (default 7) and prints medians of: exchanges
// (checked to equal pages + template requests, each template fetched once per
// connection across all scopes), wall time, the client thread's CPU time, the
// CPU time of the rest of the process (the simulator's threads), the heap the
// results hold and the library's peak heap while browsing (results included). The reply limit (default
// 504 bytes, as a real controller's unconnected replies) caps every symbol page
// and template reply; 0 lifts it to the encapsulation maximum.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"
#include "zoltc_logix.h"

namespace {

// ---- The library's heap, counted through its allocation table --------------------

// Each block carries its size in a header, so that frees and resizes keep the
// count exact. Only the browsing thread allocates through this table.
struct HeapCount {
  size_t live = 0;
  size_t peak = 0;
};

HeapCount heap;
constexpr size_t kHeader = alignof(std::max_align_t);

void* countedAlloc(void*, size_t size) {
  if (size == 0) {
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) {
    return nullptr;
  }
  *reinterpret_cast<size_t*>(block) = size;
  heap.live += size;
  heap.peak = std::max(heap.peak, heap.live);
  return block + kHeader;
}

void countedFree(void*, void* user) {
  if (user == nullptr) {
    return;
  }
  auto* block = static_cast<unsigned char*>(user) - kHeader;
  heap.live -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

void* countedRealloc(void* data, void* user, size_t size) {
  if (size == 0) {
    return nullptr;
  }
  if (user == nullptr) {
    return countedAlloc(data, size);
  }
  auto* block = static_cast<unsigned char*>(user) - kHeader;
  size_t old = *reinterpret_cast<size_t*>(block);
  auto* resized = static_cast<unsigned char*>(std::realloc(block, size + kHeader));
  if (resized == nullptr) {
    return nullptr;
  }
  *reinterpret_cast<size_t*>(resized) = size;
  heap.live = heap.live - old + size;
  heap.peak = std::max(heap.peak, heap.live);
  return resized + kHeader;
}

const zoltc_logix_allocator countingTable = {countedAlloc, countedRealloc, countedFree, nullptr};

// ---- Clocks ------------------------------------------------------------------------

double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double processCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// ---- One browse ---------------------------------------------------------------------

struct Sample {
  double wallMs = 0;
  double clientCpuMs = 0;
  double simulatorCpuMs = 0;
  double tags = 0;
  double exchanges = 0;
  double pages = 0;
  double templateRequests = 0;
  double templates = 0;
  double resultKiB = 0;
  double peakKiB = 0;
};

// Lists the controller scope and every program's scope on a fresh connection, so
// that the templates are read as a first browse reads them (once per connection).
bool browseAll(zoltc_logix_client* client, std::vector<zoltc_logix_tag_info_list>& lists) {
  lists.emplace_back();
  zoltc_logix_result result = zoltc_logix_list_tags(client, &lists.back());
  const zoltc_logix_tag_info_list controller = lists.back();
  for (uint32_t i = 0; result == ZOLTC_LOGIX_OK && i < controller.count; ++i) {
    if (zoltc_logix_type_is_program(controller.items[i].type)) {
      lists.emplace_back();
      result = zoltc_logix_list_program_tags(client, &lists.back(), controller.items[i].name);
    }
  }
  if (result != ZOLTC_LOGIX_OK) {
    std::fprintf(stderr, "browse failed: %s\n", zoltc_logix_result_name(result));
  }
  return result == ZOLTC_LOGIX_OK;
}

bool browseOnce(quillon::sim::Server& server, uint16_t port, Sample& sample) {
  zoltc_logix_client* client = zoltc_logix_client_create();
  if (client == nullptr || zoltc_logix_connect(client, "127.0.0.1", port, 10000) != ZOLTC_LOGIX_OK) {
    zoltc_logix_client_destroy(client);
    return false;
  }
  server.clearRequests();
  std::vector<zoltc_logix_tag_info_list> lists;
  heap.peak = heap.live;
  const size_t before = heap.live;
  const double process0 = processCpuMs();
  const double thread0 = threadCpuMs();
  const auto wall0 = std::chrono::steady_clock::now();
  bool ok = browseAll(client, lists);
  const auto wall1 = std::chrono::steady_clock::now();
  const double thread1 = threadCpuMs();
  const double process1 = processCpuMs();
  const size_t after = heap.live;

  sample.wallMs = std::chrono::duration<double, std::milli>(wall1 - wall0).count();
  sample.clientCpuMs = thread1 - thread0;
  sample.simulatorCpuMs = (process1 - process0) - sample.clientCpuMs;
  sample.resultKiB = static_cast<double>(after - before) / 1024.0;
  sample.peakKiB = static_cast<double>(heap.peak - before) / 1024.0;
  for (zoltc_logix_tag_info_list& list : lists) {
    sample.tags += list.count;
    zoltc_logix_tag_info_list_free(&list);
  }
  zoltc_logix_client_destroy(client);
  if (!ok) {
    return false;
  }

  // Every exchange is a page or a template request, and every template is asked
  // for its attributes exactly once per connection, whatever the scopes.
  uint64_t exchanges = 0, pages = 0, attributeReads = 0, templateReads = 0;
  std::map<std::string, int> attributesByTemplate;
  for (const auto& record : server.requests()) {
    if (record.command != 0x6F || record.embedded) {
      continue;
    }
    ++exchanges;
    if (record.service == 0x55) {
      ++pages;
    } else if (record.service == 0x03) {
      ++attributeReads;
      ++attributesByTemplate[record.path];
    } else if (record.service == 0x4C) {
      ++templateReads;
    }
  }
  sample.exchanges = static_cast<double>(exchanges);
  sample.pages = static_cast<double>(pages);
  sample.templateRequests = static_cast<double>(attributeReads + templateReads);
  sample.templates = static_cast<double>(attributesByTemplate.size());
  bool sound = exchanges == pages + attributeReads + templateReads;
  for (const auto& [path, reads] : attributesByTemplate) {
    sound = sound && reads == 1;
  }
  if (!sound) {
    std::fprintf(stderr, "exchanges are not pages + one fetch per template\n");
  }
  return sound;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Scenario {
  const char* name;
  quillon::sim::GenerateSpec spec;
};

bool runScenario(const Scenario& scenario, int runs, uint32_t replyLimit) {
  quillon::sim::Options options;
  options.replyLimit = replyLimit;
  quillon::sim::Server server(quillon::sim::generateController(scenario.spec), options);
  uint16_t port = server.start(0, "127.0.0.1");
  std::vector<Sample> samples;
  Sample warmup;
  bool ok = browseOnce(server, port, warmup);
  for (int i = 0; ok && i < runs; ++i) {
    Sample sample;
    ok = browseOnce(server, port, sample);
    samples.push_back(sample);
  }
  server.stop();
  if (!ok) {
    return false;
  }
  auto med = [&](double Sample::*field) {
    std::vector<double> values;
    for (const Sample& s : samples) {
      values.push_back(s.*field);
    }
    return median(values);
  };
  std::printf("%s (%d runs, medians)\n", scenario.name, runs);
  std::printf("  tags             %.0f (all scopes)\n", med(&Sample::tags));
  std::printf("  exchanges        %.0f = %.0f pages + %.0f template requests (%.0f templates, "
              "each fetched once)\n",
              med(&Sample::exchanges), med(&Sample::pages), med(&Sample::templateRequests),
              med(&Sample::templates));
  std::printf("  wall time        %.1f ms\n", med(&Sample::wallMs));
  std::printf("  client CPU       %.1f ms\n", med(&Sample::clientCpuMs));
  std::printf("  simulator CPU    %.1f ms (rest of the process)\n", med(&Sample::simulatorCpuMs));
  std::printf("  result           %.0f KiB (every scope's list)\n", med(&Sample::resultKiB));
  std::printf("  peak heap        %.0f KiB (the library's, results included)\n\n", med(&Sample::peakKiB));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 7;
  uint32_t replyLimit = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 504;
  if (runs < 1) {
    std::fprintf(stderr, "usage: browse_bench [runs] [reply-limit]\n");
    return 2;
  }
  zoltc_logix_set_allocator(&countingTable);

  quillon::sim::GenerateSpec tenThousand;
  tenThousand.tags = 10000;
  tenThousand.types = 200;
  tenThousand.programs = 0;
  // A large plant: 150 000 controller tags and 100 programs of 1 000 tags each,
  // over 2 000 structure types (20 % of the tags are structures).
  quillon::sim::GenerateSpec large;
  large.tags = 150000;
  large.types = 2000;
  large.programs = 100;
  large.programTags = 1000;

  std::printf("reply limit %u bytes\n\n", replyLimit);
  bool ok = runScenario({"10 000 tags, 200 structure types", tenThousand}, runs, replyLimit) &&
            runScenario({"250 000 tags, 2 000 structure types, 100 programs", large}, runs, replyLimit);
  zoltc_logix_set_allocator(nullptr);
  return ok ? 0 : 1;
}
