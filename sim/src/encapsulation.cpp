#include "encapsulation.hpp"

#include "identity_object.hpp"

namespace quillon::sim::detail {

namespace {

constexpr uint16_t kProtocolVersion = 1;
constexpr uint16_t kItemNullAddress = 0x0000;
constexpr uint16_t kItemUnconnectedData = 0x00B2;
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
  Router router(db_, options, &outcome.records);
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
