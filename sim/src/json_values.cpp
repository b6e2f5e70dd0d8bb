#include "json_values.hpp"

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "types.hpp"

namespace quillon::sim::detail {

using nlohmann::json;

namespace {

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  throw std::runtime_error(where + ": " + what);
}

int64_t jsonSigned(const json& value, const std::string& where) {
  if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) return static_cast<int64_t>(value.get<uint64_t>());
    return value.get<int64_t>();
  }
  if (value.is_number_float()) {
    double number = value.get<double>();
    if (number != static_cast<double>(static_cast<int64_t>(number))) fail(where, "not an integer");
    return static_cast<int64_t>(number);
  }
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    bool negative = !text.empty() && text[0] == '-';
    uint64_t magnitude = jsonUnsigned(json(negative ? text.substr(1) : text), UINT64_MAX, where);
    return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  }
  fail(where, "expected an integer");
}

void writeAtomic(uint8_t code, const json& value, uint8_t* at, const std::string& where) {
  uint32_t width = atomicWidth(code);
  if (code == 0xCA || code == 0xCB) {
    if (!value.is_number()) fail(where, "expected a number");
    double number = value.get<double>();
    if (code == 0xCA) storeLE(at, 4, std::bit_cast<uint32_t>(static_cast<float>(number)));
    else storeLE(at, 8, std::bit_cast<uint64_t>(number));
    return;
  }
  int64_t integer = jsonSigned(value, where);
  if (code == kBool) integer = integer != 0;
  storeLE(at, width, static_cast<uint64_t>(integer));
}

void writeText(const TextLayout& layout, const std::string& text, uint8_t* at, const std::string& where) {
  if (text.size() > layout.capacity) fail(where, "text longer than " + std::to_string(layout.capacity));
  storeLE(at + layout.lengthOffset, 4, text.size());
  std::copy(text.begin(), text.end(), at + layout.dataOffset);
}

void writeElement(const ElementType& type, const json& value, uint8_t* at, const std::string& where);

void writeStructure(const StructType& type, const json& value, uint8_t* at, const std::string& where) {
  if (value.is_string()) {
    std::optional<TextLayout> layout = textLayout(type);
    if (!layout) fail(where, type.name + " holds no text");
    writeText(*layout, value.get_ref<const std::string&>(), at, where);
    return;
  }
  if (!value.is_object()) fail(where, "expected an object of " + type.name + " members");
  for (const auto& [name, memberValue] : value.items()) {
    auto found = type.memberIndex.find(std::string_view(name));
    if (found == type.memberIndex.end()) fail(where, type.name + " has no member " + name);
    const Member& member = type.members[found->second];
    std::string inner = where + "." + name;
    if (member.bit >= 0) {
      auto mask = static_cast<uint8_t>(1u << member.bit);
      at[member.offset] = static_cast<uint8_t>(jsonSigned(memberValue, inner) ? (at[member.offset] | mask)
                                                                              : (at[member.offset] & ~mask));
    } else if (member.count) {
      uint32_t dims[1] = {member.count};
      writeJsonValue(member.element, dims, member.boolArray, memberValue, at + member.offset, inner);
    } else {
      writeElement(member.element, memberValue, at + member.offset, inner);
    }
  }
}

void writeElement(const ElementType& type, const json& value, uint8_t* at, const std::string& where) {
  if (type.structure) writeStructure(*type.structure, value, at, where);
  else writeAtomic(type.code, value, at, where);
}

// Flattens nested arrays (one level per dimension) or takes one flat array.
void flatten(const json& value, std::span<const uint32_t> dims, std::vector<const json*>& out,
             const std::string& where) {
  if (!value.is_array()) fail(where, "expected an array");
  bool nested = dims.size() > 1 && !value.empty() && value[0].is_array();
  if (!nested) {
    uint64_t total = 1;
    for (uint32_t dim : dims) total *= dim;
    if (value.size() > total) fail(where, "more values than elements");
    for (const json& item : value) out.push_back(&item);
    return;
  }
  if (value.size() > dims[0]) fail(where, "more values than elements");
  uint64_t inner = 1;
  for (uint32_t dim : dims.subspan(1)) inner *= dim;
  for (size_t i = 0; i < value.size(); ++i) {
    size_t before = out.size();
    flatten(value[i], dims.subspan(1), out, where);
    out.resize(before + inner, nullptr);  // a short row leaves the rest zero
  }
}

}  // namespace

uint64_t jsonUnsigned(const json& value, uint64_t max, const std::string& where) {
  uint64_t result = 0;
  if (value.is_number_unsigned()) {
    result = value.get<uint64_t>();
  } else if (value.is_number_integer()) {
    if (value.get<int64_t>() < 0) fail(where, "must not be negative");
    result = static_cast<uint64_t>(value.get<int64_t>());
  } else if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    char* end = nullptr;
    errno = 0;
    result = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE) fail(where, "bad number '" + text + "'");
  } else {
    fail(where, "expected a whole number");
  }
  if (result > max) fail(where, "above " + std::to_string(max));
  return result;
}

void writeJsonValue(const ElementType& type, std::span<const uint32_t> dims, bool boolBits,
                    const json& value, uint8_t* at, const std::string& where) {
  if (value.is_null()) return;
  if (dims.empty()) {
    writeElement(type, value, at, where);
    return;
  }
  if (boolBits) {
    if (!value.is_array() || value.size() > uint64_t{dims[0]} * 32) fail(where, "too many bits");
    for (size_t bit = 0; bit < value.size(); ++bit)
      if (jsonSigned(value[bit], where)) at[bit / 8] = static_cast<uint8_t>(at[bit / 8] | (1u << (bit % 8)));
    return;
  }
  std::vector<const json*> items;
  flatten(value, dims, items, where);
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i]) writeElement(type, *items[i], at + i * type.size, where + "[" + std::to_string(i) + "]");
}

}  // namespace quillon::sim::detail
