// EtherNet/IP encapsulation: the 24-byte header, the Common Packet Format, and the
// protocol state of one TCP connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "bytes.hpp"
#include "connections.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"
#include "router.hpp"

namespace quillon::sim::detail {

inline constexpr size_t kHeaderSize = 24;

namespace command {
inline constexpr uint16_t kNop = 0x0000;
inline constexpr uint16_t kListServices = 0x0004;
inline constexpr uint16_t kListIdentity = 0x0063;
inline constexpr uint16_t kListInterfaces = 0x0064;
inline constexpr uint16_t kRegisterSession = 0x0065;
inline constexpr uint16_t kUnRegisterSession = 0x0066;
inline constexpr uint16_t kSendRRData = 0x006F;
inline constexpr uint16_t kSendUnitData = 0x0070;
}  // namespace command

namespace encap_status {
inline constexpr uint32_t kSuccess = 0x0000;
inline constexpr uint32_t kInvalidCommand = 0x0001;
inline constexpr uint32_t kIncorrectData = 0x0003;
inline constexpr uint32_t kInvalidSession = 0x0064;
inline constexpr uint32_t kInvalidLength = 0x0065;
inline constexpr uint32_t kUnsupportedProtocol = 0x0069;
}  // namespace encap_status

struct Header {
  uint16_t command = 0;
  uint16_t length = 0;
  uint32_t sessionHandle = 0;
  uint32_t status = 0;
  uint64_t senderContext = 0;
  uint32_t options = 0;
};

Header decodeHeader(const uint8_t* bytes);  // exactly kHeaderSize bytes
void encodeHeader(const Header& header, Bytes& out);

// What the connection does after a request.
struct Outcome {
  std::optional<Bytes> reply;  // header + data; none for NOP and UnRegisterSession
  bool close = false;
  std::vector<CipRecord> records;  // the CIP requests served, outer first
  uint32_t cipConnectionId = 0;    // SendUnitData: the connection it named
  uint16_t sequenceCount = 0;      // SendUnitData: its sequence count
};

// Where the connection sees the world from: the address the client reached (for
// ListIdentity), session handles and counters shared with the server.
struct ConnectionEnvironment {
  uint32_t localIpv4 = 0x7F000001;
  uint16_t localPort = 44818;
  std::function<uint32_t()> newSessionHandle;
  std::function<void()> sessionRegistered;
  std::function<void()> sessionUnregistered;
  std::atomic<uint32_t>* openCipConnections = nullptr;  // across the server; null: this connection's
};

// The encapsulation protocol of one connection; knows no sockets, so it can be fed bytes.
class Connection {
 public:
  Connection(const Database& db, ConnectionEnvironment environment)
      : db_(db), env_(std::move(environment)), cipConnections_(db, env_.openCipConnections) {}

  // One whole request: its header and `data` (header.length bytes).
  Outcome handle(const Header& header, ByteSpan data, const Options& options);

  uint32_t sessionHandle() const { return session_; }

 private:
  Outcome registerSession(const Header& header, ByteSpan data, const Options& options);
  Outcome sendRRData(const Header& header, ByteSpan data, const Options& options);
  Outcome sendUnitData(const Header& header, ByteSpan data, const Options& options);

  const Database& db_;
  ConnectionEnvironment env_;
  uint32_t session_ = 0;
  ConnectionTable cipConnections_;  // class 3 connections opened on this session
};

// Feeds a byte stream to a Connection as the server would, packet by packet, until the
// bytes run out or the connection would close. For the fuzz target and tests.
void feedStream(Connection& connection, ByteSpan stream, const Options& options);

}  // namespace quillon::sim::detail
