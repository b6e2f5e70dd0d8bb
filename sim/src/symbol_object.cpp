#include "symbol_object.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "limits.hpp"

namespace quillon::sim::detail {

namespace {

constexpr uint16_t kAttrName = 1;
constexpr uint16_t kAttrType = 2;
constexpr uint16_t kAttrDims = 8;
constexpr std::array<uint16_t, 3> kStandardAttributes{kAttrName, kAttrType, kAttrDims};
constexpr size_t kMaxAttributes = 16;

size_t attributeSize(const Tag& tag, uint16_t id) {
  switch (id) {
    case kAttrName: return 2 + tag.name.size();
    case kAttrType: return 2;
    default: return 12;
  }
}

void putAttribute(Bytes& out, const Tag& tag, uint16_t id) {
  switch (id) {
    case kAttrName:
      putU16(out, static_cast<uint16_t>(tag.name.size()));
      putText(out, tag.name);
      break;
    case kAttrType: putU16(out, tag.typeWord); break;
    default:
      for (uint32_t dim : tag.dims) putU32(out, dim);
      break;
  }
}

template <typename Ids>
void putEntry(Bytes& out, const Tag& tag, const Ids& ids) {
  putU32(out, tag.instanceId);
  for (uint16_t id : ids) putAttribute(out, tag, id);
}

}  // namespace

void precomputeSymbolEntries(Scope& scope) {
  scope.standardEntries.clear();
  scope.standardOffsets.assign(1, 0);
  for (const Tag& tag : scope.tags) {
    putEntry(scope.standardEntries, tag, kStandardAttributes);
    scope.standardOffsets.push_back(static_cast<uint32_t>(scope.standardEntries.size()));
  }
}

Reply listSymbols(const Scope& scope, uint32_t startInstance, ByteSpan requestData,
                  const Options& options) {
  ByteReader in(requestData);
  uint16_t count = in.u16();
  if (!in.ok() || count == 0 || in.remaining() < size_t{count} * 2) return failure(status::kNotEnoughData);
  if (in.remaining() > size_t{count} * 2) return failure(status::kTooMuchData);
  if (count > kMaxAttributes) return failure(status::kInvalidParameterValue);
  std::vector<uint16_t> ids;
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t id = in.u16();
    if (id != kAttrName && id != kAttrType && id != kAttrDims) return failure(status::kAttributeNotSupported);
    ids.push_back(id);
  }
  if (options.stuckSymbolPagesFrom && startInstance >= *options.stuckSymbolPagesFrom)
    return failure(status::kPartialTransfer);
  bool standard = ids.size() == kStandardAttributes.size() &&
                  std::equal(ids.begin(), ids.end(), kStandardAttributes.begin());

  size_t budget = replyBudget(options) - 4;
  size_t first = scope.firstAtOrAfter(startInstance);
  size_t last = first;
  size_t bytes = 0;
  while (last < scope.tags.size() && (options.symbolsPerPage == 0 || last - first < options.symbolsPerPage)) {
    size_t size = 4;
    for (uint16_t id : ids) size += attributeSize(scope.tags[last], id);
    // The first entry always goes in, so that every page makes progress.
    if (last > first && bytes + size > budget) break;
    bytes += size;
    ++last;
  }

  Reply reply;
  reply.data.reserve(bytes);
  if (standard) {
    auto begin = scope.standardEntries.begin();
    reply.data.assign(begin + scope.standardOffsets[first], begin + scope.standardOffsets[last]);
  } else {
    for (size_t i = first; i < last; ++i) putEntry(reply.data, scope.tags[i], ids);
  }
  bool more = last < scope.tags.size() || (options.emptyLastPage && last > first);
  reply.generalStatus = more ? status::kPartialTransfer : status::kSuccess;
  return reply;
}

}  // namespace quillon::sim::detail
