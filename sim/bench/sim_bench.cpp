// How much CPU the simulator spends per request, without the sockets: a symbol page of a
// 100 000-tag controller, a Multiple Service Packet of 30 DINT reads, a template chunk, a
// whole browse of the controller scope. Client benchmarks must not be bounded by these.
#include <benchmark/benchmark.h>

#include <string>

#include "encapsulation.hpp"
#include "quillon_sim/controller.hpp"

namespace {

using namespace quillon::sim;
using namespace quillon::sim::detail;

const Controller& large() {
  static const Controller controller =
      generateController(parseGenerateSpec("tags=100000,types=500,programs=20,structPercent=20"));
  return controller;
}

void put16(Bytes& out, uint16_t v) { putU16(out, v); }

Bytes symbol(const std::string& name) {
  Bytes path{0x91, static_cast<uint8_t>(name.size())};
  path.insert(path.end(), name.begin(), name.end());
  if (name.size() % 2) path.push_back(0);
  return path;
}

Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data) {
  Bytes out{service, static_cast<uint8_t>(path.size() / 2)};
  out.insert(out.end(), path.begin(), path.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes cpf(const Bytes& request) {
  Bytes out{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0xB2, 0};
  put16(out, static_cast<uint16_t>(request.size()));
  out.insert(out.end(), request.begin(), request.end());
  return out;
}

// A registered connection and a way to run one SendRRData through it.
class Bench {
 public:
  explicit Bench(const Controller& controller) : connection_(controller.database(), ConnectionEnvironment{}) {
    const uint8_t version[4] = {1, 0, 0, 0};
    connection_.handle(Header{0x65, 4, 0, 0, 0, 0}, ByteSpan(version, 4), options_);
  }
  Outcome run(const Bytes& request) {
    Bytes data = cpf(request);
    Header header{0x6F, static_cast<uint16_t>(data.size()), connection_.sessionHandle(), 0, ++context_, 0};
    return connection_.handle(header, data, options_);
  }

 private:
  Options options_;
  Connection connection_;
  uint64_t context_ = 0;
};

Bytes pageRequest(uint32_t start) {
  Bytes path{0x20, 0x6B, 0x26, 0x00};
  putU32(path, start);
  return routerRequest(0x55, path, Bytes{3, 0, 1, 0, 2, 0, 8, 0});
}

void symbolPage(benchmark::State& state) {
  Bench bench(large());
  uint32_t start = large().symbols()[50000].instanceId;
  Bytes request = pageRequest(start);
  for (auto _ : state) benchmark::DoNotOptimize(bench.run(request));
}
BENCHMARK(symbolPage);

void wholeBrowse(benchmark::State& state) {
  Bench bench(large());
  size_t pages = 0;
  for (auto _ : state) {
    uint32_t start = 0;
    for (;;) {
      Outcome outcome = bench.run(pageRequest(start));
      ++pages;
      const Bytes& reply = *outcome.reply;
      // Walk the entries to find the next start instance (24 header + 16 CPF + 4 router bytes).
      size_t at = 44, last = 0;
      while (at < reply.size()) {
        last = loadLE(&reply[at], 4);
        at += 20 + loadLE(&reply[at + 4], 2);
      }
      start = static_cast<uint32_t>(last + 1);
      if (reply[42] == 0x00) break;
    }
  }
  state.counters["pages"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kAvgIterations);
}
BENCHMARK(wholeBrowse)->Unit(benchmark::kMillisecond);

void packetOf30Reads(benchmark::State& state) {
  Bench bench(large());
  std::vector<Bytes> reads;
  for (int i = 0; i < 30; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Tag_%06d", 1 + i * 3001);
    reads.push_back(routerRequest(0x4C, symbol(name), Bytes{1, 0}));
  }
  Bytes data;
  put16(data, 30);
  size_t offset = 2 + 60;
  for (const Bytes& r : reads) {
    put16(data, static_cast<uint16_t>(offset));
    offset += r.size();
  }
  for (const Bytes& r : reads) data.insert(data.end(), r.begin(), r.end());
  Bytes packet = routerRequest(0x0A, Bytes{0x20, 0x02, 0x24, 0x01}, data);
  for (auto _ : state) benchmark::DoNotOptimize(bench.run(packet));
  state.counters["tags"] = benchmark::Counter(30, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(packetOf30Reads);

void templateChunk(benchmark::State& state) {
  Bench bench(large());
  uint16_t id = 0;
  for (const SymbolInfo& s : large().symbols())
    if (s.type & 0x8000) {
      id = s.type & 0x0FFF;
      break;
    }
  Bytes path{0x20, 0x6C, 0x25, 0x00};
  putU16(path, id);
  Bytes data{0, 0, 0, 0, 0xFF, 0xFF};
  Bytes request = routerRequest(0x4C, path, data);
  for (auto _ : state) benchmark::DoNotOptimize(bench.run(request));
}
BENCHMARK(templateChunk);

void generateLarge(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(generateController(parseGenerateSpec("tags=100000,types=500,programs=20")));
}
BENCHMARK(generateLarge)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
