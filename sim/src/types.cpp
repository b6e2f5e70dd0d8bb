#include "types.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace quillon::sim::detail {

namespace {

struct AtomicInfo {
  const char* name;
  uint8_t code;
  uint32_t width;
};

constexpr std::array<AtomicInfo, 15> kAtomics{{
    {"BOOL", 0xC1, 1},  {"SINT", 0xC2, 1},  {"INT", 0xC3, 2},   {"DINT", 0xC4, 4},
    {"LINT", 0xC5, 8},  {"USINT", 0xC6, 1}, {"UINT", 0xC7, 2},  {"UDINT", 0xC8, 4},
    {"ULINT", 0xC9, 8}, {"REAL", 0xCA, 4},  {"LREAL", 0xCB, 8}, {"BYTE", 0xD1, 1},
    {"WORD", 0xD2, 2},  {"DWORD", 0xD3, 4}, {"LWORD", 0xD4, 8},
}};

constexpr uint16_t kStringTemplateId = 0x0FCE;
constexpr uint32_t kStringCapacity = 82;
constexpr uint32_t kMaxMembers = 65535;
constexpr uint32_t kMaxStructSize = 0x7FFFFFFF;

ElementType atomicElement(uint8_t code) {
  uint32_t width = atomicWidth(code);
  return ElementType{code, nullptr, width, width};
}

uint32_t alignUp(uint64_t value, uint32_t align) {
  uint64_t aligned = (value + align - 1) / align * align;
  if (aligned > kMaxStructSize) throw std::runtime_error("structure too large");
  return static_cast<uint32_t>(aligned);
}

uint16_t crc16(ByteSpan bytes) {
  uint16_t crc = 0xFFFF;  // CRC-16/CCITT
  for (uint8_t byte : bytes) {
    crc = static_cast<uint16_t>(crc ^ (byte << 8));
    for (int i = 0; i < 8; ++i)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

// Template ids scattered over 0x100..0xEFF as on a real controller, never the STRING id.
class IdChooser {
 public:
  explicit IdChooser(const Database& db) : db_(db) {}
  uint16_t next() {
    for (;;) {
      uint16_t id = static_cast<uint16_t>(0x100 + (counter_++ * 0x2B7u) % 0xE00u);
      if (counter_ > 0xE00) throw std::runtime_error("too many structure types");
      if (!db_.typesById.count(id) && id != kStringTemplateId) return id;
    }
  }

 private:
  const Database& db_;
  uint32_t counter_ = 1;
};

// The template name's suffix in the form a controller gives: ";n" and two capital letters
// per member (a public capture shows "my_UDT;nHAEA"). How a controller picks the letters
// is not public; ours come from each member's type word.
std::string templateNameSuffix(const StructType& type) {
  std::string suffix = ";n";
  for (const Member& member : type.members) {
    suffix += static_cast<char>('A' + (member.typeWord >> 8) % 26);
    suffix += static_cast<char>('A' + (member.typeWord & 0xFF) % 26);
  }
  return suffix;
}

void encodeTemplate(StructType& type) {
  Bytes table;
  for (const Member& member : type.members) {
    putU16(table, member.info);
    putU16(table, member.typeWord);
    putU32(table, member.offset);
  }
  // A controller gives its built-in types (STRING) their type id as structure handle;
  // user-defined ones get a checksum of their layout.
  type.handle = type.id == kStringTemplateId ? kStringTemplateId : structureHandle(table);
  Bytes data = table;
  putText(data, type.name);
  putText(data, templateNameSuffix(type));
  putU8(data, 0);
  for (const Member& member : type.members) {
    putText(data, member.name);
    putU8(data, 0);
  }
  type.templateData = std::move(data);
  type.definitionWords = definitionWords(type.templateData.size());
}

// Lays out members: each aligned to its own alignment, BOOL runs packed into hidden SINT
// hosts of up to eight bits, the size rounded up to the structure's alignment (at least 4).
void layOut(StructType& type, const std::vector<std::pair<MemberSpec, ElementType>>& members) {
  uint64_t offset = 0;
  uint32_t align = 4;
  int hostBits = 8;  // bits used in the current host; 8 means "no open host"
  uint32_t hostOffset = 0;
  uint32_t hostCount = 0;
  for (const auto& [spec, element] : members) {
    Member member;
    member.name = spec.name;
    member.element = element;
    bool isBool = element.code == kBool && spec.count == 0;
    if (isBool) {
      if (hostBits == 8) {
        Member host;
        host.name = "ZZZZZZZZZZ" + type.name + std::to_string(hostCount++);
        host.typeWord = kSint;
        host.offset = static_cast<uint32_t>(offset);
        host.element = atomicElement(kSint);
        hostOffset = host.offset;
        offset += 1;
        hostBits = 0;
        type.members.push_back(std::move(host));
      }
      member.typeWord = kBool;
      member.bit = hostBits;
      member.info = static_cast<uint16_t>(hostBits++);
      member.offset = hostOffset;
    } else {
      hostBits = 8;
      ElementType stored = element;
      uint32_t count = spec.count;
      if (element.code == kBool) {  // BOOL arrays are kept as 32-bit words
        stored = atomicElement(kDword);
        count = (count + 31) / 32;
        member.boolArray = true;
      }
      member.element = stored;
      member.count = count;
      member.offset = alignUp(offset, stored.align);
      uint16_t base = stored.structure ? static_cast<uint16_t>(kTypeStructure | stored.structure->id)
                                       : stored.code;
      member.typeWord = static_cast<uint16_t>(base | (count ? kTypeDims1 : 0));
      if (count > 0xFFFF) throw std::runtime_error("member " + spec.name + ": array too long");
      member.info = static_cast<uint16_t>(count);
      offset = uint64_t{member.offset} + uint64_t{stored.size} * std::max<uint32_t>(count, 1);
      align = std::max(align, stored.align);
    }
    type.members.push_back(std::move(member));
  }
  if (type.members.size() > kMaxMembers) throw std::runtime_error(type.name + ": too many members");
  type.align = align;
  type.size = alignUp(std::max<uint64_t>(offset, 1), align);
  for (uint32_t i = 0; i < type.members.size(); ++i) {
    if (!type.memberIndex.emplace(type.members[i].name, i).second)
      throw std::runtime_error(type.name + ": duplicate member " + type.members[i].name);
  }
}

void addType(Database& db, const TypeSpec& spec, uint16_t id) {
  std::vector<std::pair<MemberSpec, ElementType>> members;
  for (const MemberSpec& member : spec.members) {
    std::optional<ElementType> element = findElementType(db, member.typeName);
    if (!element)
      throw std::runtime_error(spec.name + "." + member.name + ": unknown type " + member.typeName);
    members.emplace_back(member, *element);
  }
  StructType& type = db.types.emplace_back();
  type.name = spec.name;
  type.id = id;
  layOut(type, members);
  encodeTemplate(type);
  db.typesById.emplace(id, &type);
  db.typesByName.emplace(type.name, static_cast<uint32_t>(db.types.size() - 1));
}

}  // namespace

uint32_t definitionWords(size_t templateBytes) {
  return static_cast<uint32_t>((uint64_t{templateBytes} + 23 + 3) / 4);
}

uint16_t structureHandle(ByteSpan memberTable) {
  uint16_t handle = crc16(memberTable);
  return handle == 0 ? 1 : handle;
}

uint32_t atomicWidth(uint8_t code) {
  for (const AtomicInfo& info : kAtomics)
    if (info.code == code) return info.width;
  return 0;
}

std::optional<uint8_t> atomicCode(std::string_view name) {
  for (const AtomicInfo& info : kAtomics)
    if (equalFolded(name, info.name)) return info.code;
  return std::nullopt;
}

const StructType* findStructType(const Database& db, std::string_view name) {
  auto found = db.typesByName.find(name);
  return found == db.typesByName.end() ? nullptr : &db.types[found->second];
}

std::optional<ElementType> findElementType(const Database& db, std::string_view name) {
  if (std::optional<uint8_t> code = atomicCode(name)) return atomicElement(*code);
  if (const StructType* type = findStructType(db, name))
    return ElementType{0, type, type->size, type->align};
  return std::nullopt;
}

std::optional<TextLayout> textLayout(const StructType& type) {
  auto len = type.memberIndex.find(std::string_view("LEN"));
  auto data = type.memberIndex.find(std::string_view("DATA"));
  if (len == type.memberIndex.end() || data == type.memberIndex.end()) return std::nullopt;
  const Member& lenMember = type.members[len->second];
  const Member& dataMember = type.members[data->second];
  if (lenMember.element.code != kDint || lenMember.count != 0) return std::nullopt;
  if (dataMember.element.code != kSint || dataMember.count == 0) return std::nullopt;
  return TextLayout{lenMember.offset, dataMember.offset, dataMember.count};
}

void buildTypes(Database& db, const std::vector<TypeSpec>& specs) {
  if (!findStructType(db, "STRING"))
    addType(db, TypeSpec{"STRING", kStringTemplateId,
                         {{"LEN", "DINT", 0}, {"DATA", "SINT", kStringCapacity}}},
            kStringTemplateId);

  NameIndex byName;
  for (uint32_t i = 0; i < specs.size(); ++i) {
    if (atomicCode(specs[i].name) || findStructType(db, specs[i].name) ||
        !byName.emplace(specs[i].name, i).second)
      throw std::runtime_error("duplicate or reserved type name " + specs[i].name);
    if (specs[i].id && (*specs[i].id == 0 || *specs[i].id > 0x0FFF))
      throw std::runtime_error(specs[i].name + ": template id out of range 1..0xFFF");
  }
  // Explicit ids are taken first so that chosen ids never collide with them.
  std::unordered_map<uint16_t, bool> explicitIds;
  for (const TypeSpec& spec : specs)
    if (spec.id && !explicitIds.emplace(*spec.id, true).second)
      throw std::runtime_error("duplicate template id in " + spec.name);

  // Depth-first over member types so that contained types are laid out first.
  enum class Mark : uint8_t { None, Visiting, Done };
  std::vector<Mark> marks(specs.size(), Mark::None);
  std::vector<uint32_t> order;
  std::function<void(uint32_t)> visit = [&](uint32_t i) {
    if (marks[i] == Mark::Done) return;
    if (marks[i] == Mark::Visiting)
      throw std::runtime_error("structure type " + specs[i].name + " contains itself");
    marks[i] = Mark::Visiting;
    for (const MemberSpec& member : specs[i].members) {
      auto found = byName.find(std::string_view(member.typeName));
      if (found != byName.end()) visit(found->second);
    }
    marks[i] = Mark::Done;
    order.push_back(i);
  };
  for (uint32_t i = 0; i < specs.size(); ++i) visit(i);

  IdChooser chooser(db);
  std::vector<uint16_t> ids(specs.size(), 0);
  for (uint32_t i = 0; i < specs.size(); ++i) {
    if (specs[i].id) {
      if (db.typesById.count(*specs[i].id))
        throw std::runtime_error(specs[i].name + ": template id already used");
      ids[i] = *specs[i].id;
    }
  }
  for (uint32_t i = 0; i < specs.size(); ++i) {
    while (!ids[i]) {
      uint16_t id = chooser.next();
      if (!explicitIds.count(id)) ids[i] = id;
    }
  }
  for (uint32_t i : order) addType(db, specs[i], ids[i]);
}

}  // namespace quillon::sim::detail
