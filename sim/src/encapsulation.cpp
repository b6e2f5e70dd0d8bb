#include "encapsulation.hpp"

#include <algorithm>

#include "identity_object.hpp"
#include "limits.hpp"

namespace quillon::sim::detail {

namespace {

constexpr uint16_t kProtocolVersion = 1;
constexpr uint16_t kItemNullAddress = 0x0000;
constexpr uint16_t kItemUnconnectedData = 0x00B2;
constexpr uint16_t kItemConnectedAddress = 0x00A1;
constexpr uint16_t kItemConnectedData = 0x00B1;
constexpr uint16_t kItemIdentity = 0x000C;
constexpr uint16_t kItemCommunications = 0x0100;
// ListServices capability flags: CIP encapsulation over TCP (bit 5) and class 0/1 over UDP (bit 8).
constexpr uint16_t kCommunicationsFlags = 0x0120;

Bytes replyPacket(const Header& request, uint32_t status, uint32_t session, ByteSpan data) {
  Header header = request;
  header.length = static_cast<uint16_t>(data.size());
  header.status = status;
  header.sessionHandle = session;
  Bytes out;
  out.reserve(kHeaderSize + data.size());
  encodeHeader(header, out);
  putBytes(out, data);
  return out;
}

Outcome answer(const Header& request, uint32_t status, ByteSpan data = {}) {
  Outcome outcome;
  outcome.reply = replyPacket(request, status, request.sessionHandle, data);
  return outcome;
}

// One-item list replies of ListIdentity and ListServices.
Bytes itemList(uint16_t type, const Bytes& item) {
  Bytes out;
  putU16(out, 1);
  putU16(out, type);
  putU16(out, static_cast<uint16_t>(item.size()));
  putBytes(out, item);
  return out;
}

Bytes communicationsItem() {
  Bytes item;
  putU16(item, kProtocolVersion);
  putU16(item, kCommunicationsFlags);
  std::string name = "Communications";
  name.resize(16, '\0');
  putText(item, name);
  return item;
}

}  // namespace

Header decodeHeader(const uint8_t* bytes) {
  ByteReader in(ByteSpan(bytes, kHeaderSize));
  Header header;
  header.command = in.u16();
  header.length = in.u16();
  header.sessionHandle = in.u32();
  header.status = in.u32();
  header.senderContext = in.u64();
  header.options = in.u32();
  return header;
}

void encodeHeader(const Header& header, Bytes& out) {
  putU16(out, header.command);
  putU16(out, header.length);
  putU32(out, header.sessionHandle);
  putU32(out, header.status);
  putU64(out, header.senderContext);
  putU32(out, header.options);
}

Outcome Connection::handle(const Header& header, ByteSpan data, const Options& options) {
  switch (header.command) {
    case command::kNop: return {};
    case command::kRegisterSession: return registerSession(header, data, options);
    case command::kUnRegisterSession: {
      if (session_ == 0 || header.sessionHandle != session_)
        return answer(header, encap_status::kInvalidSession);
      session_ = 0;
      if (env_.sessionUnregistered) env_.sessionUnregistered();
      Outcome outcome;
      outcome.close = true;
      return outcome;
    }
    case command::kSendRRData: return sendRRData(header, data, options);
    case command::kSendUnitData: return sendUnitData(header, data, options);
    case command::kListIdentity:
      return answer(header, encap_status::kSuccess,
                    itemList(kItemIdentity, identityItem(db_.identity, env_.localIpv4, env_.localPort)));
    case command::kListServices:
      return answer(header, encap_status::kSuccess, itemList(kItemCommunications, communicationsItem()));
    case command::kListInterfaces: {
      Bytes none;
      putU16(none, 0);
      return answer(header, encap_status::kSuccess, none);
    }
    default: return answer(header, encap_status::kInvalidCommand);
  }
}

Outcome Connection::registerSession(const Header& header, ByteSpan data, const Options& options) {
  if (data.size() != 4) return answer(header, encap_status::kInvalidLength);
  Bytes version;
  putU16(version, kProtocolVersion);
  putU16(version, 0);
  ByteReader in(data);
  if (in.u16() != kProtocolVersion) return answer(header, encap_status::kUnsupportedProtocol, version);
  if (session_ != 0) return answer(header, encap_status::kInvalidSession);
  Outcome outcome;
  if (options.registerStatus != 0) {
    outcome.reply = replyPacket(header, options.registerStatus, 0, version);
  } else if (options.registerZeroHandle) {
    outcome.reply = replyPacket(header, encap_status::kSuccess, 0, version);
  } else {
    session_ = env_.newSessionHandle ? env_.newSessionHandle() : 1;
    if (env_.sessionRegistered) env_.sessionRegistered();
    outcome.reply = replyPacket(header, encap_status::kSuccess, session_, version);
  }
  return outcome;
}

// SendRRData: interface handle 0, timeout, then Common Packet Format items: a null address
// item and an unconnected data item holding the message-router request.
Outcome Connection::sendRRData(const Header& header, ByteSpan data, const Options& options) {
  if (session_ == 0 || header.sessionHandle != session_) return answer(header, encap_status::kInvalidSession);
  ByteReader in(data);
  uint32_t interfaceHandle = in.u32();
  in.skip(2);  // timeout
  uint16_t count = in.u16();
  ByteSpan request;
  for (uint16_t i = 0; in.ok() && i < count; ++i) {
    uint16_t type = in.u16();
    uint16_t length = in.u16();
    ByteSpan item = in.bytes(length);
    if (i == 0 && (type != kItemNullAddress || length != 0)) return answer(header, encap_status::kIncorrectData);
    if (i == 1 && type != kItemUnconnectedData) return answer(header, encap_status::kIncorrectData);
    if (i == 1) request = item;
  }
  if (!in.ok()) return answer(header, encap_status::kInvalidLength);
  if (interfaceHandle != 0 || count < 2 || request.empty() || !in.atEnd())
    return answer(header, encap_status::kIncorrectData);

  Outcome outcome;
  Router router(db_, options, &outcome.records, &cipConnections_);
  Bytes routerReply = router.handle(request);
  Bytes cpf;
  cpf.reserve(16 + routerReply.size());
  putU32(cpf, 0);
  putU16(cpf, 0);
  putU16(cpf, 2);
  putU16(cpf, kItemNullAddress);
  putU16(cpf, 0);
  putU16(cpf, kItemUnconnectedData);
  putU16(cpf, static_cast<uint16_t>(routerReply.size()));
  putBytes(cpf, routerReply);
  outcome.reply = replyPacket(header, encap_status::kSuccess, session_, cpf);
  return outcome;
}

// SendUnitData: interface handle 0, timeout, then a connected address item naming the O->T
// connection and a connected data item: the sequence count and the message-router request.
// The reply names the T->O connection and carries the same count. A connection this
// session does not know (never opened, closed, timed out, dropped) is answered with
// encapsulation status 0x0003 and no data.
Outcome Connection::sendUnitData(const Header& header, ByteSpan data, const Options& options) {
  if (session_ == 0 || header.sessionHandle != session_) return answer(header, encap_status::kInvalidSession);
  ByteReader in(data);
  uint32_t interfaceHandle = in.u32();
  in.skip(2);
  uint16_t count = in.u16();
  uint16_t addressType = in.u16();
  uint16_t addressLength = in.u16();
  uint32_t otId = in.u32();
  uint16_t dataType = in.u16();
  ByteSpan item = in.bytes(in.u16());
  if (!in.ok()) return answer(header, encap_status::kInvalidLength);
  if (interfaceHandle != 0 || count != 2 || addressType != kItemConnectedAddress || addressLength != 4 ||
      dataType != kItemConnectedData || item.size() < 3 || !in.atEnd())
    return answer(header, encap_status::kIncorrectData);

  const auto now = Clock::now();
  CipConnection* connection = cipConnections_.find(otId, now);
  if (!connection) return answer(header, encap_status::kIncorrectData);
  ByteReader items(item);
  const uint16_t sequence = items.u16();
  ByteSpan request = items.rest();
  Outcome outcome;
  outcome.cipConnectionId = otId;
  outcome.sequenceCount = sequence;
  connection->lastUsed = now;
  if (connection->lastSequence == sequence) {
    // A repeated count is the originator trying again: the same reply, not a second run.
    outcome.reply = replyPacket(header, encap_status::kSuccess, session_, connection->lastReply);
    return outcome;
  }

  Bytes routerReply;
  if (request.size() + 2 > connection->otSize) {
    routerReply = encodeReply(request[0], failure(status::kRequestTooLarge));
  } else {
    // Replies fill the connection: every paged or packed answer is bound by its size.
    Options connected = options;
    connected.replyLimit = static_cast<uint32_t>(std::max<size_t>(connection->toSize - 2, kSmallestReplyLimit));
    connected.mspReplyLimit = static_cast<uint32_t>(capBy(options.mspReplyLimit, connection->toSize - 2));
    Router router(*connection->target, connected, &outcome.records);
    routerReply = router.handle(request);
  }
  Bytes cpf;
  cpf.reserve(22 + routerReply.size());
  putU32(cpf, 0);
  putU16(cpf, 0);
  putU16(cpf, 2);
  putU16(cpf, kItemConnectedAddress);
  putU16(cpf, 4);
  putU32(cpf, connection->toId);
  putU16(cpf, kItemConnectedData);
  putU16(cpf, static_cast<uint16_t>(2 + routerReply.size()));
  putU16(cpf, sequence);
  putBytes(cpf, routerReply);
  connection->lastSequence = sequence;
  connection->lastReply = cpf;
  outcome.reply = replyPacket(header, encap_status::kSuccess, session_, cpf);
  // As a program download does: the connection is gone once this reply is out.
  if (options.dropConnectionAfter && ++connection->served >= options.dropConnectionAfter)
    cipConnections_.forget(otId);
  return outcome;
}

void feedStream(Connection& connection, ByteSpan stream, const Options& options) {
  ByteReader in(stream);
  while (in.remaining() >= kHeaderSize) {
    Header header = decodeHeader(in.bytes(kHeaderSize).data());
    ByteSpan data = in.bytes(header.length);
    if (!in.ok()) return;
    if (connection.handle(header, data, options).close) return;
  }
}

}  // namespace quillon::sim::detail
