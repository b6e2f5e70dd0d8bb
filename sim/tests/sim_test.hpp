// The simulator's tests: the shared server fixture (fixture.hpp) serving the sample controller,
// and a small raw EtherNet/IP client that builds requests byte by byte with code of its own
// (not the simulator's codecs) and reads replies over loopback TCP.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "fixture.hpp"

namespace quillon::sim::test {

using Bytes = std::vector<uint8_t>;

// Little-endian fields in order, each a value and its width in bytes: le({{count, 2}, {offset, 4}}).
Bytes le(std::initializer_list<std::pair<uint64_t, int>> fields);
inline Bytes le(uint64_t value, int bytes) { return le({{value, bytes}}); }
uint64_t get(const Bytes& in, size_t at, int bytes);
inline uint16_t get16(const Bytes& in, size_t at) { return static_cast<uint16_t>(get(in, at, 2)); }
inline uint32_t get32(const Bytes& in, size_t at) { return static_cast<uint32_t>(get(in, at, 4)); }
inline Bytes join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Request path segments: logical class 0x20, instance 0x24, attribute 0x30, element 0x28.
class PathBuilder {
 public:
  PathBuilder& symbol(std::string_view name);
  PathBuilder& logical(uint8_t type, uint32_t value);
  PathBuilder& classId(uint32_t value) { return logical(0x20, value); }
  PathBuilder& instance(uint32_t value) { return logical(0x24, value); }
  PathBuilder& attribute(uint32_t value) { return logical(0x30, value); }
  // "Program:Main.Tanks[1,2].Level" as symbol and element segments.
  PathBuilder& tag(std::string_view text);
  operator const Bytes&() const { return bytes_; }

 private:
  Bytes bytes_;
};

Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data = {});
Bytes readTagRequest(std::string_view tag, uint16_t count = 1);
Bytes fragmentedRequest(std::string_view tag, uint16_t count, uint32_t offset);
Bytes multipleServicePacket(const std::vector<Bytes>& requests);
Bytes unconnectedSend(const Bytes& embedded, const Bytes& route);
// Common packet format items (type, data); a SendRRData packet around `request`.
Bytes commonPacket(const std::vector<std::pair<uint16_t, Bytes>>& items, uint32_t interfaceHandle = 0);
Bytes sendRRData(uint32_t session, uint64_t context, const Bytes& request);

struct Packet {
  uint16_t command = 0;
  uint32_t session = 0, status = 0;
  uint64_t context = 0;
  Bytes data;
};

struct RouterReply {
  uint8_t service = 0, status = 0;
  std::vector<uint16_t> additional;
  Bytes data;
};
// Parses message-router reply bytes; fails the test (and returns empty) when malformed.
RouterReply parseRouterReply(const Bytes& bytes);
// The embedded replies of a Multiple Service Packet reply's data.
std::vector<RouterReply> parsePacketReplies(const Bytes& data);

class WireClient {
 public:
  explicit WireClient(uint16_t port);
  ~WireClient();
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;

  void sendRaw(const Bytes& bytes);
  void send(uint16_t command, uint32_t session, const Bytes& data, uint64_t context = 0);
  // The next whole packet; nullopt when the server closed the connection or nothing came in time.
  std::optional<Packet> receive(int timeoutMs = 5000);
  // Bytes until the server closes or the timeout passes (for truncated and garbage replies).
  Bytes receiveAll(int timeoutMs = 5000);
  bool closedByServer(int timeoutMs = 5000);

  uint32_t registerSession();  // the session handle, 0 on failure
  uint32_t session() const { return session_; }
  // SendRRData around a message-router request: the reply's message-router bytes.
  std::optional<Bytes> sendRR(const Bytes& request);
  RouterReply request(const Bytes& request);
  RouterReply request(uint8_t service, const Bytes& path, const Bytes& data = {}) { return request(routerRequest(service, path, data)); }

 private:
  int socket_ = -1;
  uint32_t session_ = 0;
  uint64_t context_ = 0;
};

inline const Controller& sampleController() {
  static const Controller controller = loadController(QUILLON_SIM_SAMPLE);
  return controller;
}

// The template id of a sample tag of a structure type.
inline uint16_t templateOf(std::string_view tag) {
  for (const SymbolInfo& symbol : sampleController().symbols()) {
    if (symbol.name == tag) return symbol.type & 0x0FFF;
  }
  ADD_FAILURE() << tag;
  return 0;
}

class SimTest : public ServerTest {
 protected:
  Controller makeController() const override { return sampleController(); }
  // A connected raw client with a registered session.
  std::unique_ptr<WireClient> client() {
    auto wire = std::make_unique<WireClient>(port());
    EXPECT_NE(wire->registerSession(), 0u);
    return wire;
  }
};

}  // namespace quillon::sim::test
