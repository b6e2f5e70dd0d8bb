// A small raw EtherNet/IP client for the simulator's tests: builds requests byte by byte
// with code of its own (not the simulator's codecs) and reads replies over loopback TCP.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::sim::test {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint16_t v);
void put32(Bytes& out, uint32_t v);
void put64(Bytes& out, uint64_t v);
uint16_t get16(const Bytes& in, size_t at);
uint32_t get32(const Bytes& in, size_t at);
uint64_t get64(const Bytes& in, size_t at);

// Request path segments.
class PathBuilder {
 public:
  PathBuilder& symbol(std::string_view name);
  PathBuilder& element(uint32_t index);
  PathBuilder& logical(uint8_t type, uint32_t value);  // class 0x20, instance 0x24, attribute 0x30
  PathBuilder& classId(uint32_t value) { return logical(0x20, value); }
  PathBuilder& instance(uint32_t value) { return logical(0x24, value); }
  PathBuilder& attribute(uint32_t value) { return logical(0x30, value); }
  // "Program:Main.Tanks[1,2].Level" as symbol and element segments.
  PathBuilder& tag(std::string_view text);
  const Bytes& bytes() const { return bytes_; }
  operator const Bytes&() const { return bytes_; }

 private:
  Bytes bytes_;
};

Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data = {});
Bytes readTagRequest(std::string_view tag, uint16_t count = 1);
Bytes fragmentedRequest(std::string_view tag, uint16_t count, uint32_t offset);
Bytes multipleServicePacket(const std::vector<Bytes>& requests);
Bytes unconnectedSend(const Bytes& embedded, const Bytes& route);

struct Packet {
  uint16_t command = 0;
  uint32_t session = 0;
  uint32_t status = 0;
  uint64_t context = 0;
  uint32_t options = 0;
  Bytes data;
};

struct RouterReply {
  uint8_t service = 0;
  uint8_t status = 0;
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

  bool connected() const { return socket_ >= 0; }
  void sendRaw(const Bytes& bytes);
  void send(uint16_t command, uint32_t session, const Bytes& data, uint64_t context = 0, uint32_t options = 0);
  // The next whole packet; nullopt when the server closed the connection or nothing came
  // within the timeout.
  std::optional<Packet> receive(int timeoutMs = 5000);
  // Bytes until the server closes or the timeout passes (for truncated and garbage replies).
  Bytes receiveAll(int timeoutMs = 5000);
  // True when the server closed the connection within the timeout.
  bool closedByServer(int timeoutMs = 5000);

  // RegisterSession; returns the session handle (0 on failure).
  uint32_t registerSession();
  uint32_t session() const { return session_; }
  // SendRRData around a message-router request; the reply's message-router bytes.
  std::optional<Bytes> sendRR(const Bytes& request);
  RouterReply request(const Bytes& request);
  RouterReply request(uint8_t service, const Bytes& path, const Bytes& data = {}) {
    return request(routerRequest(service, path, data));
  }

 private:
  int socket_ = -1;
  uint32_t session_ = 0;
  uint64_t context_ = 0;
};

}  // namespace quillon::sim::test
