// Large generated controllers for benchmarks: many tags, many structure types, programs.
#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "controller_access.hpp"
#include "tags.hpp"
#include "types.hpp"

namespace quillon::sim {

using namespace detail;

namespace {

constexpr uint32_t kMaxTags = 2000000;
constexpr uint32_t kMaxTypes = 3000;
constexpr uint32_t kMaxPrograms = 1000;
constexpr uint32_t kMaxMembers = 1000;

std::string numbered(const char* prefix, uint32_t number, int width) {
  char text[48];
  std::snprintf(text, sizeof text, "%s%0*u", prefix, width, number);
  return text;
}

// A small deterministic generator (xorshift), so a spec always gives the same controller.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t below(uint32_t bound) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return bound ? state_ % bound : 0;
  }

 private:
  uint32_t state_;
};

const char* const kAtomicNames[] = {"DINT", "REAL", "BOOL", "INT", "SINT", "LREAL", "DINT", "UDINT", "LINT"};
constexpr uint32_t kAtomicCount = sizeof kAtomicNames / sizeof kAtomicNames[0];

std::vector<TypeSpec> typeSpecs(const GenerateSpec& spec, Random& random) {
  std::vector<TypeSpec> types;
  for (uint32_t t = 0; t < spec.types; ++t) {
    TypeSpec type;
    type.name = numbered("Udt_", t + 1, 4);
    for (uint32_t m = 0; m < spec.members; ++m) {
      MemberSpec member;
      member.name = numbered("Field_", m + 1, 3);
      uint32_t pick = random.below(10);
      if (pick == 0 && t > 0) member.typeName = types[random.below(t)].name;  // nested, always an earlier type
      else if (pick == 1) member.typeName = "STRING";
      else member.typeName = kAtomicNames[random.below(kAtomicCount)];
      if (pick == 2 && member.typeName != "BOOL") member.count = 1 + random.below(8);
      type.members.push_back(std::move(member));
    }
    types.push_back(std::move(type));
  }
  return types;
}

Tag generatedTag(const Database& db, const GenerateSpec& spec, const std::string& name, uint32_t index,
                 Random& random, InstanceIds& ids) {
  TagSpec tagSpec;
  tagSpec.name = name;
  if (spec.types > 0 && random.below(100) < spec.structPercent)
    tagSpec.typeName = numbered("Udt_", 1 + random.below(spec.types), 4);
  else
    tagSpec.typeName = kAtomicNames[index % kAtomicCount];
  if (random.below(10) == 0) tagSpec.dims.push_back(2 + random.below(9));
  Tag tag = makeTag(db, tagSpec);
  tag.instanceId = ids.take(name);
  // DINT scalars hold their own number, so that a reader can check what it got.
  if (tag.element.code == kDint && tag.dimCount == 0) storeLE(tag.data.data(), 4, index);
  return tag;
}

void check(bool ok, const char* what) {
  if (!ok) throw std::invalid_argument(std::string("generate: ") + what);
}

}  // namespace

GenerateSpec parseGenerateSpec(std::string_view text) {
  GenerateSpec spec;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    size_t equals = item.find('=');
    uint32_t value = 0;
    std::string_view key = item.substr(0, equals);
    std::string_view digits = equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
      throw std::invalid_argument("generate: bad item '" + std::string(item) + "'");
    if (key == "tags") spec.tags = value;
    else if (key == "types") spec.types = value;
    else if (key == "programs") spec.programs = value;
    else if (key == "programTags") spec.programTags = value;
    else if (key == "structPercent") spec.structPercent = value;
    else if (key == "members") spec.members = value;
    else if (key == "seed") spec.seed = value;
    else throw std::invalid_argument("generate: unknown key '" + std::string(key) + "'");
  }
  return spec;
}

Controller generateController(const GenerateSpec& spec) {
  check(spec.tags <= kMaxTags, "tags above 2000000");
  check(spec.types <= kMaxTypes, "types above 3000");
  check(spec.programs <= kMaxPrograms, "programs above 1000");
  check(spec.programTags <= kMaxTags, "programTags above 2000000");
  check(spec.structPercent <= 100, "structPercent above 100");
  check(spec.members >= 1 && spec.members <= kMaxMembers, "members must be 1 to 1000");

  auto db = std::make_shared<Database>();
  db->identity = Identity{1187, 14, 92, 34, 11, 0x3160, 0x00C0FFEE, "Zolt QX-85 Generated Controller"};
  Random random(spec.seed);
  buildTypes(*db, typeSpecs(spec, random));

  InstanceIds controllerIds;
  db->controller.tags.reserve(spec.tags + spec.programs);
  for (uint32_t i = 0; i < spec.tags; ++i)
    db->controller.tags.push_back(generatedTag(*db, spec, numbered("Tag_", i + 1, 6), i + 1, random, controllerIds));
  for (uint32_t p = 0; p < spec.programs; ++p) {
    Scope& program = db->programs.emplace_back();
    program.name = numbered("Program", p + 1, 2);
    InstanceIds programIds;
    program.tags.reserve(spec.programTags);
    for (uint32_t i = 0; i < spec.programTags; ++i)
      program.tags.push_back(generatedTag(*db, spec, numbered("Local_", i + 1, 4), i + 1, random, programIds));
    finishScope(program);
    TagSpec symbolSpec{"Program:" + program.name, "", {}, false, kTypeProgram, std::nullopt};
    Tag symbol = makeTag(*db, symbolSpec);
    symbol.instanceId = controllerIds.take(symbol.name);
    symbol.program = &program;
    db->controller.tags.push_back(std::move(symbol));
  }
  finishScope(db->controller);
  return makeController(std::move(db));
}

}  // namespace quillon::sim
