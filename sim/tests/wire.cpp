#include "wire.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>

namespace quillon::sim::test {

void put16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}
void put64(Bytes& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}
uint16_t get16(const Bytes& in, size_t at) { return static_cast<uint16_t>(in.at(at) | in.at(at + 1) << 8); }
uint32_t get32(const Bytes& in, size_t at) { return get16(in, at) | static_cast<uint32_t>(get16(in, at + 2)) << 16; }
uint64_t get64(const Bytes& in, size_t at) { return get32(in, at) | static_cast<uint64_t>(get32(in, at + 4)) << 32; }

PathBuilder& PathBuilder::symbol(std::string_view name) {
  bytes_.push_back(0x91);
  bytes_.push_back(static_cast<uint8_t>(name.size()));
  bytes_.insert(bytes_.end(), name.begin(), name.end());
  if (name.size() % 2) bytes_.push_back(0);
  return *this;
}

PathBuilder& PathBuilder::element(uint32_t index) { return logical(0x28, index); }

PathBuilder& PathBuilder::logical(uint8_t type, uint32_t value) {
  if (value <= 0xFF) {
    bytes_.push_back(type);
    bytes_.push_back(static_cast<uint8_t>(value));
  } else if (value <= 0xFFFF) {
    bytes_.push_back(static_cast<uint8_t>(type + 1));
    bytes_.push_back(0);
    put16(bytes_, static_cast<uint16_t>(value));
  } else {
    bytes_.push_back(static_cast<uint8_t>(type + 2));
    bytes_.push_back(0);
    put32(bytes_, value);
  }
  return *this;
}

PathBuilder& PathBuilder::tag(std::string_view text) {
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of(".[", pos);
    if (end == std::string_view::npos) end = text.size();
    if (end > pos) symbol(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && text[pos] == '[') {
      size_t close = text.find(']', pos);
      std::string_view list = text.substr(pos + 1, close - pos - 1);
      while (!list.empty()) {
        size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        uint32_t value = 0;
        std::from_chars(item.data(), item.data() + item.size(), value);
        element(value);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
      }
      pos = close + 1;
    }
    if (pos >= text.size()) break;
    ++pos;  // the "."
  }
  return *this;
}

Bytes routerRequest(uint8_t service, const Bytes& path, const Bytes& data) {
  Bytes out{service, static_cast<uint8_t>(path.size() / 2)};
  out.insert(out.end(), path.begin(), path.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

Bytes readTagRequest(std::string_view tag, uint16_t count) {
  Bytes data;
  put16(data, count);
  return routerRequest(0x4C, PathBuilder().tag(tag), data);
}

Bytes fragmentedRequest(std::string_view tag, uint16_t count, uint32_t offset) {
  Bytes data;
  put16(data, count);
  put32(data, offset);
  return routerRequest(0x52, PathBuilder().tag(tag), data);
}

Bytes multipleServicePacket(const std::vector<Bytes>& requests) {
  Bytes data;
  put16(data, static_cast<uint16_t>(requests.size()));
  size_t offset = 2 + 2 * requests.size();
  for (const Bytes& request : requests) {
    put16(data, static_cast<uint16_t>(offset));
    offset += request.size();
  }
  for (const Bytes& request : requests) data.insert(data.end(), request.begin(), request.end());
  return routerRequest(0x0A, PathBuilder().classId(2).instance(1), data);
}

Bytes unconnectedSend(const Bytes& embedded, const Bytes& route) {
  Bytes data{0x0A, 0xF0};
  put16(data, static_cast<uint16_t>(embedded.size()));
  data.insert(data.end(), embedded.begin(), embedded.end());
  if (embedded.size() % 2) data.push_back(0);
  data.push_back(static_cast<uint8_t>(route.size() / 2));
  data.push_back(0);
  data.insert(data.end(), route.begin(), route.end());
  return routerRequest(0x52, PathBuilder().classId(6).instance(1), data);
}

RouterReply parseRouterReply(const Bytes& bytes) {
  RouterReply reply;
  EXPECT_GE(bytes.size(), 4u);
  if (bytes.size() < 4) return reply;
  reply.service = bytes[0];
  reply.status = bytes[2];
  size_t words = bytes[3];
  EXPECT_LE(4 + 2 * words, bytes.size());
  if (4 + 2 * words > bytes.size()) return reply;
  for (size_t i = 0; i < words; ++i) reply.additional.push_back(get16(bytes, 4 + 2 * i));
  reply.data.assign(bytes.begin() + static_cast<ptrdiff_t>(4 + 2 * words), bytes.end());
  return reply;
}

std::vector<RouterReply> parsePacketReplies(const Bytes& data) {
  std::vector<RouterReply> replies;
  if (data.size() < 2) {
    ADD_FAILURE() << "packet reply shorter than its count";
    return replies;
  }
  uint16_t count = get16(data, 0);
  for (uint16_t i = 0; i < count; ++i) {
    size_t start = get16(data, 2 + 2 * i);
    size_t end = i + 1 < count ? get16(data, 2 + 2 * (i + 1)) : data.size();
    EXPECT_LE(start, end);
    EXPECT_LE(end, data.size());
    if (start > end || end > data.size()) return replies;
    replies.push_back(parseRouterReply(Bytes(data.begin() + static_cast<ptrdiff_t>(start),
                                              data.begin() + static_cast<ptrdiff_t>(end))));
  }
  return replies;
}

WireClient::WireClient(uint16_t port) {
  socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(socket_);
    socket_ = -1;
    ADD_FAILURE() << "cannot connect to port " << port;
    return;
  }
  int yes = 1;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

WireClient::~WireClient() {
  if (socket_ >= 0) ::close(socket_);
}

void WireClient::sendRaw(const Bytes& bytes) {
  size_t sent = 0;
  while (socket_ >= 0 && sent < bytes.size()) {
    ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may have closed on purpose; receive tells
    sent += static_cast<size_t>(n);
  }
}

void WireClient::send(uint16_t command, uint32_t session, const Bytes& data, uint64_t context, uint32_t options) {
  Bytes packet;
  put16(packet, command);
  put16(packet, static_cast<uint16_t>(data.size()));
  put32(packet, session);
  put32(packet, 0);
  put64(packet, context);
  put32(packet, options);
  packet.insert(packet.end(), data.begin(), data.end());
  sendRaw(packet);
}

namespace {

// Reads exactly n bytes; false on close, error or timeout.
bool readExactly(int socket, uint8_t* out, size_t n, int timeoutMs) {
  while (n > 0) {
    pollfd poller{socket, POLLIN, 0};
    if (::poll(&poller, 1, timeoutMs) <= 0) return false;
    ssize_t got = ::recv(socket, out, n, 0);
    if (got <= 0) return false;
    out += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

std::optional<Packet> WireClient::receive(int timeoutMs) {
  uint8_t head[24];
  if (socket_ < 0 || !readExactly(socket_, head, 24, timeoutMs)) return std::nullopt;
  Bytes header(head, head + 24);
  Packet packet;
  packet.command = get16(header, 0);
  packet.session = get32(header, 4);
  packet.status = get32(header, 8);
  packet.context = get64(header, 12);
  packet.options = get32(header, 20);
  packet.data.resize(get16(header, 2));
  if (!packet.data.empty() && !readExactly(socket_, packet.data.data(), packet.data.size(), timeoutMs))
    return std::nullopt;
  return packet;
}

Bytes WireClient::receiveAll(int timeoutMs) {
  Bytes out;
  uint8_t chunk[4096];
  for (;;) {
    pollfd poller{socket_, POLLIN, 0};
    if (::poll(&poller, 1, timeoutMs) <= 0) return out;
    ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
    if (got <= 0) return out;
    out.insert(out.end(), chunk, chunk + got);
  }
}

bool WireClient::closedByServer(int timeoutMs) {
  uint8_t byte = 0;
  for (;;) {
    pollfd poller{socket_, POLLIN, 0};
    if (::poll(&poller, 1, timeoutMs) <= 0) return false;
    ssize_t got = ::recv(socket_, &byte, 1, 0);
    if (got <= 0) return true;
  }
}

uint32_t WireClient::registerSession() {
  send(0x65, 0, Bytes{1, 0, 0, 0}, ++context_);
  std::optional<Packet> reply = receive();
  if (!reply || reply->status != 0) return 0;
  session_ = reply->session;
  return session_;
}

std::optional<Bytes> WireClient::sendRR(const Bytes& request) {
  Bytes data;
  put32(data, 0);
  put16(data, 0);
  put16(data, 2);
  put16(data, 0);
  put16(data, 0);
  put16(data, 0xB2);
  put16(data, static_cast<uint16_t>(request.size()));
  data.insert(data.end(), request.begin(), request.end());
  uint64_t context = ++context_;
  send(0x6F, session_, data, context);
  std::optional<Packet> reply = receive();
  if (!reply) return std::nullopt;
  EXPECT_EQ(reply->command, 0x6F);
  EXPECT_EQ(reply->context, context);
  EXPECT_EQ(reply->status, 0u);
  if (reply->status != 0 || reply->data.size() < 16) return std::nullopt;
  EXPECT_EQ(get16(reply->data, 6), 2);
  EXPECT_EQ(get16(reply->data, 8), 0);
  EXPECT_EQ(get16(reply->data, 12), 0xB2);
  size_t length = get16(reply->data, 14);
  EXPECT_EQ(16 + length, reply->data.size());
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
