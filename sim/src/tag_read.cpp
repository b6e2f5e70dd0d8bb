#include "tag_read.hpp"

#include <algorithm>

#include "limits.hpp"
#include "live.hpp"

namespace quillon::sim::detail {

namespace {

void putHead(Bytes& out, const Target& target) {
  if (target.type.structure) {
    putU8(out, 0xA0);
    putU8(out, 0x02);
    putU16(out, target.type.structure->handle);
  } else {
    putU16(out, target.type.code);
  }
}

size_t headSize(const Target& target) { return target.type.structure ? 4 : 2; }

// Appends bytes [offset, offset + length) of the addressed elements; a BOOL member is one
// byte, 1 or 0, taken from its host's bit.
void putData(const Database& db, const Target& target, uint32_t offset, uint32_t length,
             const Options& options, Bytes& out) {
  int64_t clock = liveClock(db, options);
  if (target.bit >= 0) {
    Bytes host;
    readTagBytes(db, *target.tag, target.offset, 1, clock, host);
    putU8(out, static_cast<uint8_t>((host[0] >> target.bit) & 1));
    return;
  }
  readTagBytes(db, *target.tag, target.offset + offset, length, clock, out);
}

// The element count asked for, checked against what the path addresses.
std::optional<Reply> checkCount(const Target& target, uint16_t count) {
  if (count == 0) return failure(status::kInvalidParameterValue);
  if (count > target.available) return failure(status::kGeneralError, extended::kBeyondEndOfObject);
  return std::nullopt;
}

uint32_t totalBytes(const Target& target, uint16_t count) {
  return target.bit >= 0 ? 1 : target.type.size * count;
}

}  // namespace

Reply readTag(const Database& db, const Target& target, ByteSpan requestData, const Options& options) {
  ByteReader in(requestData);
  uint16_t count = in.u16();
  if (!in.ok()) return failure(status::kNotEnoughData);
  if (!in.atEnd()) return failure(status::kTooMuchData);
  if (std::optional<Reply> refused = checkCount(target, count)) return *refused;

  uint32_t total = totalBytes(target, count);
  size_t room = replyBudget(options) - 4 - headSize(target);
  Reply reply;
  uint32_t length = total;
  if (total > room) {
    // Atomic data is cut at an element boundary.
    size_t unit = target.type.structure ? 1 : target.type.size;
    length = static_cast<uint32_t>(room / unit * unit);
    reply.generalStatus = status::kPartialTransfer;
  }
  reply.data.reserve(headSize(target) + length);
  putHead(reply.data, target);
  putData(db, target, 0, length, options, reply.data);
  return reply;
}

Reply readTagFragmented(const Database& db, const Target& target, ByteSpan requestData,
                        const Options& options) {
  ByteReader in(requestData);
  uint16_t count = in.u16();
  uint32_t offset = in.u32();
  if (!in.ok()) return failure(status::kNotEnoughData);
  if (!in.atEnd()) return failure(status::kTooMuchData);
  if (std::optional<Reply> refused = checkCount(target, count)) return *refused;
  uint32_t total = totalBytes(target, count);
  if (offset >= total) return failure(status::kGeneralError, extended::kBeyondEndOfObject);

  size_t cap = capBy(options.fragmentBytes, replyBudget(options) - 4 - headSize(target));
  auto length = static_cast<uint32_t>(std::min<size_t>(total - offset, cap));
  Reply reply;
  reply.data.reserve(headSize(target) + length);
  putHead(reply.data, target);
  putData(db, target, offset, length, options, reply.data);
  reply.generalStatus = offset + length < total ? status::kPartialTransfer : status::kSuccess;
  return reply;
}

}  // namespace quillon::sim::detail
