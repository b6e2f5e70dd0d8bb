#include "tags.hpp"

#include <stdexcept>

#include "types.hpp"

namespace quillon::sim::detail {

Tag makeTag(const Database& db, const TagSpec& spec) {
  Tag tag;
  tag.name = spec.name;
  if (spec.dims.size() > 3) throw std::runtime_error(spec.name + ": at most 3 dimensions");
  for (uint32_t dim : spec.dims)
    if (dim == 0) throw std::runtime_error(spec.name + ": a dimension of 0");
  if (!spec.typeName.empty()) {
    std::optional<ElementType> element = findElementType(db, spec.typeName);
    if (!element) throw std::runtime_error(spec.name + ": unknown type " + spec.typeName);
    std::vector<uint32_t> dims = spec.dims;
    if (element->code == kBool && !dims.empty()) {
      if (dims.size() != 1) throw std::runtime_error(spec.name + ": BOOL arrays have one dimension");
      dims[0] = (dims[0] + 31) / 32;
      element = findElementType(db, "DWORD");
    }
    tag.element = *element;
    tag.dimCount = static_cast<uint32_t>(dims.size());
    uint64_t count = 1;
    for (size_t i = 0; i < dims.size(); ++i) {
      tag.dims[i] = dims[i];
      count *= dims[i];
      if (count * element->size > kMaxTagBytes) throw std::runtime_error(spec.name + ": too large");
    }
    tag.elementCount = static_cast<uint32_t>(count);
    tag.data.assign(count * element->size, 0);
    uint16_t base = element->structure ? static_cast<uint16_t>(kTypeStructure | element->structure->id)
                                       : element->code;
    tag.typeWord = static_cast<uint16_t>(base | dimensionBits(dims.size()));
  } else if (!spec.typeWord) {
    throw std::runtime_error(spec.name + ": needs a type or a typeWord");
  }
  if (spec.typeWord) tag.typeWord = *spec.typeWord;
  if (spec.system) tag.typeWord = static_cast<uint16_t>(tag.typeWord | kTypeSystem);
  return tag;
}

uint32_t InstanceIds::take(const std::string& name) {
  uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  uint32_t id = next_;
  next_ += 1 + (hash >> 7) % 23;
  return id;
}

}  // namespace quillon::sim::detail
