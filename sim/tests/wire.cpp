#include "sim_test.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>

namespace quillon::sim::test {

Bytes le(std::initializer_list<std::pair<uint64_t, int>> fields) {
  Bytes out;
  for (auto [value, bytes] : fields) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  return out;
}
uint64_t get(const Bytes& in, size_t at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in.at(at + static_cast<size_t>(i));
  return value;
}

PathBuilder& PathBuilder::symbol(std::string_view name) {
  bytes_.insert(bytes_.end(), {0x91, static_cast<uint8_t>(name.size())});
  bytes_.insert(bytes_.end(), name.begin(), name.end());
  if (name.size() % 2) bytes_.push_back(0);
  return *this;
}

PathBuilder& PathBuilder::logical(uint8_t type, uint32_t value) {
  const int size = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : 4;
  bytes_ = join(bytes_, size > 1 ? le({{type + size / 2u, 2}, {value, size}}) : Bytes{type, static_cast<uint8_t>(value)});
  return *this;
}

PathBuilder& PathBuilder::tag(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = std::min(text.find_first_of(".[", pos), text.size());
    if (end > pos) symbol(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && text[pos] == '[') {
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
    ++pos;  // the "."
  }
  return *this;
}

Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data) {
  return join(join(Bytes{service, static_cast<uint8_t>(path.size() / 2)}, path), data);
}

Bytes readTagRequest(std::string_view tag, uint16_t count) { return routerRequest(0x4C, PathBuilder().tag(tag), le(count, 2)); }

Bytes fragmentedRequest(std::string_view tag, uint16_t count, uint32_t offset) {
  return routerRequest(0x52, PathBuilder().tag(tag), le({{count, 2}, {offset, 4}}));
}

Bytes multipleServicePacket(const std::vector<Bytes>& requests) {
  Bytes offsets = le(requests.size(), 2), bodies;
  for (const Bytes& request : requests) {
    offsets = join(offsets, le(2 + 2 * requests.size() + bodies.size(), 2));
    bodies = join(bodies, request);
  }
  return routerRequest(0x0A, PathBuilder().classId(2).instance(1), join(offsets, bodies));
}

Bytes unconnectedSend(const Bytes& embedded, const Bytes& route) {
  Bytes data = join(le({{0xF00A, 2}, {embedded.size(), 2}}), embedded);
  if (embedded.size() % 2) data.push_back(0);
  return routerRequest(0x52, PathBuilder().classId(6).instance(1), join(join(data, Bytes{static_cast<uint8_t>(route.size() / 2), 0}), route));
}

// A whole encapsulation packet around `data`.
static Bytes encapsulated(uint16_t command, uint32_t session, uint64_t context, const Bytes& data) {
  return join(le({{command, 2}, {data.size(), 2}, {session, 4}, {0, 4}, {context, 8}, {0, 4}}), data);
}

Bytes commonPacket(const std::vector<std::pair<uint16_t, Bytes>>& items, uint32_t interfaceHandle) {
  Bytes out = le({{interfaceHandle, 4}, {0, 2}, {items.size(), 2}});  // no timeout
  for (const auto& [type, data] : items) out = join(out, join(le({{type, 2}, {data.size(), 2}}), data));
  return out;
}

// Two items: a null address and the unconnected data.
Bytes sendRRData(uint32_t session, uint64_t context, const Bytes& request) {
  return encapsulated(0x6F, session, context, commonPacket({{0, {}}, {0xB2, request}}));
}

RouterReply parseRouterReply(const Bytes& bytes) {
  RouterReply reply;
  if (bytes.size() < 4 || 4 + 2 * size_t{bytes[3]} > bytes.size()) {
    ADD_FAILURE() << "malformed router reply of " << bytes.size() << " bytes";
    return reply;
  }
  reply.service = bytes[0];
  reply.status = bytes[2];
  for (size_t i = 0; i < bytes[3]; ++i) reply.additional.push_back(get16(bytes, 4 + 2 * i));
  reply.data.assign(bytes.begin() + 4 + 2 * bytes[3], bytes.end());
  return reply;
}

std::vector<RouterReply> parsePacketReplies(const Bytes& data) {
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

WireClient::WireClient(uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ADD_FAILURE() << "cannot connect to port " << port;
    return;
  }
  int yes = 1;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

WireClient::~WireClient() { ::close(socket_); }

// The server may have closed on purpose; receive tells.
void WireClient::sendRaw(const Bytes& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

void WireClient::send(uint16_t command, uint32_t session, const Bytes& data, uint64_t context) {
  sendRaw(encapsulated(command, session, context, data));
}

namespace {

// Up to n bytes (fewer on close, error or timeout).
Bytes readUpTo(int socket, size_t n, int timeoutMs) {
  Bytes out;
  uint8_t chunk[4096];
  while (out.size() < n) {
    pollfd poller{socket, POLLIN, 0};
    if (::poll(&poller, 1, timeoutMs) <= 0) break;
    const ssize_t got = ::recv(socket, chunk, std::min(sizeof chunk, n - out.size()), 0);
    if (got <= 0) break;
    out.insert(out.end(), chunk, chunk + got);
  }
  return out;
}

}  // namespace

std::optional<Packet> WireClient::receive(int timeoutMs) {
  Bytes header = readUpTo(socket_, 24, timeoutMs);
  if (header.size() < 24) return std::nullopt;
  Packet packet{get16(header, 0), get32(header, 4), get32(header, 8), get(header, 12, 8), {}};
  packet.data = readUpTo(socket_, get16(header, 2), timeoutMs);
  if (packet.data.size() < get16(header, 2)) return std::nullopt;
  return packet;
}

Bytes WireClient::receiveAll(int timeoutMs) { return readUpTo(socket_, SIZE_MAX, timeoutMs); }

bool WireClient::closedByServer(int timeoutMs) {
  for (;;) {
    pollfd poller{socket_, POLLIN, 0};
    uint8_t byte = 0;
    if (::poll(&poller, 1, timeoutMs) <= 0) return false;
    if (::recv(socket_, &byte, 1, 0) <= 0) return true;
  }
}

uint32_t WireClient::registerSession() {
  send(0x65, 0, Bytes{1, 0, 0, 0}, ++context_);
  std::optional<Packet> reply = receive();
  session_ = reply && reply->status == 0 ? reply->session : 0;
  return session_;
}

std::optional<Bytes> WireClient::sendRR(const Bytes& request) {
  const uint64_t context = ++context_;
  sendRaw(sendRRData(session_, context, request));
  std::optional<Packet> reply = receive();
  if (!reply) return std::nullopt;
  EXPECT_EQ(std::tuple(reply->command, reply->context, reply->status), std::tuple(0x6F, context, 0u));
  if (reply->status != 0 || reply->data.size() < 16) return std::nullopt;
  EXPECT_EQ(std::tuple(get16(reply->data, 6), get16(reply->data, 8), get16(reply->data, 12), 16u + get16(reply->data, 14)),
            std::tuple(2, 0, 0xB2, reply->data.size()));
  return Bytes(reply->data.begin() + 16, reply->data.end());
}

RouterReply WireClient::request(const Bytes& request) {
  std::optional<Bytes> bytes = sendRR(request);
  if (!bytes) {
    ADD_FAILURE() << "no SendRRData reply";
    return RouterReply{0, 0xFF, {}, {}};
  }
  RouterReply reply = parseRouterReply(*bytes);
  EXPECT_EQ(reply.service, request.at(0) | 0x80);
  return reply;
}

}  // namespace quillon::sim::test
