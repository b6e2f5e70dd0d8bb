// The simulator's tests: the shared server fixture (fixture.hpp) serving the sample controller,
// and a small raw EtherNet/IP client that builds requests byte by byte with code of its own
// (not the simulator's codecs) and reads replies over loopback TCP. POSIX only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <optional>
#include <string_view>

#include "Waiting.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {

using Bytes = std::vector<uint8_t>;
using waiting::waitFor;

// Little-endian fields in order, each a value and its width in bytes: le({{count, 2}, {offset, 4}}).
inline Bytes le(std::initializer_list<std::pair<uint64_t, int>> fields) {
  Bytes out;
  for (auto [value, bytes] : fields) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  return out;
}
inline Bytes le(uint64_t value, int bytes) { return le({{value, bytes}}); }
inline uint64_t get(const Bytes& in, size_t at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in.at(at + static_cast<size_t>(i));
  return value;
}
inline uint16_t get16(const Bytes& in, size_t at) { return static_cast<uint16_t>(get(in, at, 2)); }
inline uint32_t get32(const Bytes& in, size_t at) { return static_cast<uint32_t>(get(in, at, 4)); }
inline Bytes join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Request path segments: symbol 0x91, logical class 0x20, instance 0x24, attribute 0x30, element 0x28.
class PathBuilder {
 public:
  PathBuilder& symbol(std::string_view name) {
    bytes_ = join(join(bytes_, Bytes{0x91, static_cast<uint8_t>(name.size())}), Bytes(name.begin(), name.end()));
    if (name.size() % 2) bytes_.push_back(0);
    return *this;
  }
  PathBuilder& logical(uint8_t type, uint32_t value) {
    const int size = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : 4;  // 2 and 4 bytes after a pad byte
    bytes_ = join(bytes_, size > 1 ? le({{type + size / 2u, 2}, {value, size}}) : Bytes{type, static_cast<uint8_t>(value)});
    return *this;
  }
  PathBuilder& classId(uint32_t value) { return logical(0x20, value); }
  PathBuilder& instance(uint32_t value) { return logical(0x24, value); }
  PathBuilder& attribute(uint32_t value) { return logical(0x30, value); }
  // "Program:Main.Tanks[1,2].Level" as symbol and element segments.
  PathBuilder& tag(std::string_view text) {
    for (size_t pos = 0; pos < text.size(); ++pos) {
      const size_t end = std::min(text.find_first_of(".[", pos), text.size());
      if (end > pos) symbol(text.substr(pos, end - pos));
      for (pos = end; pos < text.size() && text[pos] == '[';) {
        const size_t close = text.find(']', pos);
        for (std::string_view list = text.substr(pos + 1, close - pos - 1); !list.empty();) {
          const size_t comma = std::min(list.find(','), list.size());
          uint32_t value = 0;
          std::from_chars(list.data(), list.data() + comma, value);
          logical(0x28, value);
          list.remove_prefix(std::min(comma + 1, list.size()));
        }
        pos = close + 1;
      }
    }
    return *this;
  }
  operator const Bytes&() const { return bytes_; }

 private:
  Bytes bytes_;
};

inline Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data = {}) {
  return join(join(Bytes{service, static_cast<uint8_t>(path.size() / 2)}, path), data);
}
inline Bytes readTagRequest(std::string_view tag, uint16_t count = 1) { return routerRequest(0x4C, PathBuilder().tag(tag), le(count, 2)); }
inline Bytes fragmentedRequest(std::string_view tag, uint16_t count, uint32_t offset) {
  return routerRequest(0x52, PathBuilder().tag(tag), le({{count, 2}, {offset, 4}}));
}
inline Bytes multipleServicePacket(const std::vector<Bytes>& requests) {
  Bytes offsets = le(requests.size(), 2), bodies;
  for (const Bytes& request : requests) {
    offsets = join(offsets, le(2 + 2 * requests.size() + bodies.size(), 2));
    bodies = join(bodies, request);
  }
  return routerRequest(0x0A, PathBuilder().classId(2).instance(1), join(offsets, bodies));
}
inline Bytes unconnectedSend(const Bytes& embedded, const Bytes& route) {
  Bytes data = join(le({{0xF00A, 2}, {embedded.size(), 2}}), embedded);  // priority, ticks, size
  if (embedded.size() % 2) data.push_back(0);
  return routerRequest(0x52, PathBuilder().classId(6).instance(1), join(join(data, Bytes{static_cast<uint8_t>(route.size() / 2), 0}), route));
}

// A whole encapsulation packet around `data`; common packet format items (type, data); a
// SendRRData packet around `request` (a null address item and the unconnected data).
inline Bytes encapsulated(uint16_t command, uint32_t session, uint64_t context, const Bytes& data) {
  return join(le({{command, 2}, {data.size(), 2}, {session, 4}, {0, 4}, {context, 8}, {0, 4}}), data);
}
inline Bytes commonPacket(const std::vector<std::pair<uint16_t, Bytes>>& items, uint32_t interfaceHandle = 0) {
  Bytes out = le({{interfaceHandle, 4}, {0, 2}, {items.size(), 2}});  // no timeout
  for (const auto& [type, data] : items) out = join(out, join(le({{type, 2}, {data.size(), 2}}), data));
  return out;
}
inline Bytes sendRRData(uint32_t session, uint64_t context, const Bytes& request) {
  return encapsulated(0x6F, session, context, commonPacket({{0, {}}, {0xB2, request}}));
}

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
inline RouterReply parseRouterReply(const Bytes& bytes) {
  if (bytes.size() < 4 || 4 + 2 * size_t{bytes[3]} > bytes.size()) {
    ADD_FAILURE() << "malformed router reply of " << bytes.size() << " bytes";
    return {};
  }
  RouterReply reply{bytes[0], bytes[2], {}, Bytes(bytes.begin() + 4 + 2 * bytes[3], bytes.end())};
  for (size_t i = 0; i < bytes[3]; ++i) reply.additional.push_back(get16(bytes, 4 + 2 * i));
  return reply;
}

// The embedded replies of a Multiple Service Packet reply's data.
inline std::vector<RouterReply> parsePacketReplies(const Bytes& data) {
  std::vector<RouterReply> replies;
  const uint16_t count = data.size() < 2 ? 0 : get16(data, 0);
  for (uint16_t i = 0; i < count; ++i) {
    const size_t start = get16(data, 2 + 2 * i), end = i + 1 < count ? get16(data, 2 + 2 * (i + 1)) : data.size();
    if (start > end || end > data.size()) {
      ADD_FAILURE() << "packet reply offsets out of order";
      break;
    }
    replies.push_back(parseRouterReply(Bytes(data.begin() + static_cast<long>(start), data.begin() + static_cast<long>(end))));
  }
  return replies;
}

class WireClient {
 public:
  explicit WireClient(uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ADD_FAILURE() << "cannot connect to port " << port;
    int yes = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  }
  ~WireClient() { ::close(socket_); }
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;

  void sendRaw(const Bytes& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }
  void send(uint16_t command, uint32_t session, const Bytes& data, uint64_t context = 0) { sendRaw(encapsulated(command, session, context, data)); }
  // Up to `limit` bytes, fewer when the server closes or the timeout passes.
  Bytes receiveAll(int timeoutMs = 5000, size_t limit = SIZE_MAX) {
    Bytes out;
    uint8_t chunk[4096];
    for (pollfd poller{socket_, POLLIN, 0}; out.size() < limit && ::poll(&poller, 1, timeoutMs) > 0;) {
      const ssize_t got = ::recv(socket_, chunk, std::min(sizeof chunk, limit - out.size()), 0);
      if (got <= 0) break;
      out.insert(out.end(), chunk, chunk + got);
    }
    return out;
  }
  // The next whole packet; nullopt when the server closed the connection or nothing came in time.
  std::optional<Packet> receive(int timeoutMs = 5000) {
    const Bytes header = receiveAll(timeoutMs, 24);
    if (header.size() < 24) return std::nullopt;
    Packet packet{get16(header, 0), get32(header, 4), get32(header, 8), get(header, 12, 8), receiveAll(timeoutMs, get16(header, 2))};
    if (packet.data.size() < get16(header, 2)) return std::nullopt;
    return packet;
  }
  bool closedByServer(int timeoutMs = 5000) {
    uint8_t byte = 0;
    for (pollfd poller{socket_, POLLIN, 0}; ::poll(&poller, 1, timeoutMs) > 0;) {
      if (::recv(socket_, &byte, 1, 0) <= 0) return true;
    }
    return false;
  }

  uint32_t registerSession() {  // the session handle, 0 on failure
    send(0x65, 0, Bytes{1, 0, 0, 0}, ++context_);
    const std::optional<Packet> reply = receive();
    session_ = reply && reply->status == 0 ? reply->session : 0;
    return session_;
  }
  uint32_t session() const { return session_; }
  // SendRRData around a message-router request: the reply's message-router bytes.
  std::optional<Bytes> sendRR(const Bytes& request) {
    const uint64_t context = ++context_;
    sendRaw(sendRRData(session_, context, request));
    const std::optional<Packet> reply = receive();
    if (!reply) return std::nullopt;
    EXPECT_EQ(std::tuple(reply->command, reply->context, reply->status), std::tuple(0x6F, context, 0u));
    if (reply->status != 0 || reply->data.size() < 16) return std::nullopt;
    EXPECT_EQ(std::tuple(get16(reply->data, 6), get16(reply->data, 8), get16(reply->data, 12), 16u + get16(reply->data, 14)),
              std::tuple(2, 0, 0xB2, reply->data.size()));
    return Bytes(reply->data.begin() + 16, reply->data.end());
  }
  RouterReply request(const Bytes& request) {
    const std::optional<Bytes> bytes = sendRR(request);
    if (!bytes) ADD_FAILURE() << "no SendRRData reply";
    RouterReply reply = bytes ? parseRouterReply(*bytes) : RouterReply{0, 0xFF, {}, {}};
    EXPECT_EQ(reply.service, request.at(0) | 0x80);
    return reply;
  }
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
