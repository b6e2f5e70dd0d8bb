// Fuzz target: arbitrary bytes into the simulator's request decoders. The first byte picks
// the layer (encapsulation stream, Common Packet Format of SendRRData, message-router
// request), the second sets paging and size knobs; the rest is the input.
#include <cstddef>
#include <cstdint>

#include "encapsulation.hpp"
#include "quillon_sim/controller.hpp"

namespace {

const char* const kController = R"({
  "types": [
    {"name": "Inner", "members": [{"name": "A", "type": "BOOL"}, {"name": "B", "type": "LINT"},
                                  {"name": "C", "type": "INT", "dim": 3}]},
    {"name": "Outer", "members": [{"name": "In", "type": "Inner", "dim": 2}, {"name": "S", "type": "STRING"},
                                  {"name": "F", "type": "BOOL", "dim": 32}]}
  ],
  "tags": [
    {"name": "D", "type": "DINT", "value": 5, "live": {"kind": "counter"}},
    {"name": "M", "type": "REAL", "dims": [2, 3, 4]},
    {"name": "O", "type": "Outer", "dims": [3], "live": {"kind": "clock", "element": "[1].S"}},
    {"name": "B", "type": "BOOL", "dims": [64]},
    {"name": "T", "type": "STRING", "value": "text"},
    {"name": "__S", "type": "DINT", "system": true}
  ],
  "programs": [{"name": "P", "tags": [{"name": "X", "type": "Outer"}]}]
})";

const quillon::sim::Controller& controller() {
  static const quillon::sim::Controller instance = quillon::sim::parseController(kController);
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon::sim::detail;
  if (size < 2) return 0;
  quillon::sim::Options options;
  options.liveClockMs = 1234;
  options.symbolsPerPage = data[1] & 0x07;
  options.replyLimit = (data[1] & 0x08) ? 0 : 80;
  options.templateBytesPerReply = (data[1] >> 4) & 0x07;
  options.fragmentBytes = (data[1] >> 4) & 0x03;
  options.mspReplyLimit = (data[1] & 0x80) ? 120 : 0;
  ByteSpan input(data + 2, size - 2);

  const Database& db = controller().database();
  Connection connection(db, ConnectionEnvironment{});
  Header registration{0x65, 4, 0, 0, 0, 0};
  const uint8_t version[4] = {1, 0, 0, 0};
  connection.handle(registration, ByteSpan(version, 4), options);

  switch (data[0] % 3) {
    case 0: feedStream(connection, input, options); break;
    case 1: {
      Header header{0x6F, static_cast<uint16_t>(input.size()), connection.sessionHandle(), 0, 0, 0};
      if (input.size() <= 0xFFFF) connection.handle(header, input, options);
      break;
    }
    default: {
      std::vector<CipRecord> records;
      Router router(db, options, &records);
      if (!input.empty()) router.handle(input);
      break;
    }
  }
  return 0;
}
