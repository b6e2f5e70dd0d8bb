#include "tag_access.hpp"

#include <charconv>
#include <vector>

namespace quillon::sim::detail {

namespace {

Reply pathError() { return failure(status::kPathSegmentError); }
Reply outOfRange() { return failure(status::kPathDestinationUnknown, extended::kBeyondEndOfObject); }

}  // namespace

Resolution resolveWithin(const Tag& tag, std::span<const Segment> rest) {
  if (!tag.readable()) return failure(status::kPathDestinationUnknown);
  Target target;
  target.tag = &tag;
  target.type = tag.element;
  std::vector<uint32_t> dims(tag.dims.begin(), tag.dims.begin() + tag.dimCount);
  target.available = tag.elementCount;

  size_t i = 0;
  while (i < rest.size()) {
    const Segment& segment = rest[i];
    if (segment.kind == Segment::Kind::Element) {
      size_t first = i;
      while (i < rest.size() && rest[i].kind == Segment::Kind::Element) ++i;
      if (dims.empty() || i - first != dims.size()) return pathError();
      uint64_t flat = 0;
      for (size_t d = 0; d < dims.size(); ++d) {
        uint32_t index = rest[first + d].value;
        if (index >= dims[d]) return outOfRange();
        flat = flat * dims[d] + index;
      }
      target.offset += static_cast<uint32_t>(flat * target.type.size);
      target.available = static_cast<uint32_t>(target.available - flat);
      dims.clear();
      continue;
    }
    if (segment.kind != Segment::Kind::Symbol) return pathError();
    // A member: only of one structure element, not of a whole array or an atomic value.
    const StructType* type = target.type.structure;
    if (!type || !dims.empty() || target.bit >= 0) return pathError();
    auto found = type->memberIndex.find(segment.name);
    if (found == type->memberIndex.end()) return pathError();
    const Member& member = type->members[found->second];
    target.offset += member.offset;
    target.type = member.element;
    target.bit = member.bit;
    target.available = member.count ? member.count : 1;
    if (member.count) dims.assign(1, member.count);
    ++i;
  }
  target.wholeArray = !dims.empty();
  return target;
}

Resolution resolveSymbolic(const Database& db, const Path& path) {
  if (path.empty() || path[0].kind != Segment::Kind::Symbol) return pathError();
  const Scope* scope = &db.controller;
  size_t next = 0;
  if (const Scope* program = db.findProgram(path[0].name)) {
    if (path.size() == 1 || path[1].kind != Segment::Kind::Symbol)
      return failure(status::kPathDestinationUnknown);
    scope = program;
    next = 1;
  }
  const Tag* tag = scope->find(path[next].name);
  if (!tag) return pathError();
  return resolveWithin(*tag, std::span<const Segment>(path).subspan(next + 1));
}

std::optional<Path> parseTagText(std::string_view text) {
  Path path;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(".[", pos);
    if (end == std::string_view::npos) end = text.size();
    if (end == pos && !(text[pos] == '[' && !path.empty())) return std::nullopt;
    if (end > pos) path.push_back({Segment::Kind::Symbol, 0, text.substr(pos, end - pos)});
    pos = end;
    while (pos < text.size() && text[pos] == '[') {
      size_t close = text.find(']', pos);
      if (close == std::string_view::npos) return std::nullopt;
      std::string_view list = text.substr(pos + 1, close - pos - 1);
      for (;;) {
        size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
        uint32_t value = 0;
        auto [ptr, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || ec != std::errc() || ptr != item.data() + item.size()) return std::nullopt;
        path.push_back({Segment::Kind::Element, value, {}});
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
      }
      pos = close + 1;
    }
    if (pos < text.size()) {
      if (text[pos] != '.' || pos + 1 == text.size()) return std::nullopt;
      ++pos;
    }
  }
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace quillon::sim::detail
