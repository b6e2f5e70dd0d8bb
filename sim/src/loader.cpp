// Reading a controller from the JSON database (format in sim/README.md).
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "controller_access.hpp"
#include "json_values.hpp"
#include "tag_access.hpp"
#include "tags.hpp"
#include "types.hpp"

namespace quillon::sim {

using nlohmann::json;
using namespace detail;

namespace {

constexpr uint32_t kMaxDimension = 0x7FFFFFFF;

const json* field(const json& object, const char* name) {
  auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}

std::string text(const json& object, const char* name, const std::string& where) {
  const json* value = field(object, name);
  if (!value || !value->is_string()) throw std::runtime_error(where + ": '" + name + "' must be a text");
  return value->get<std::string>();
}

template <typename T>
T number(const json& object, const char* name, T fallback, const std::string& where) {
  const json* value = field(object, name);
  if (!value) return fallback;
  return static_cast<T>(jsonUnsigned(*value, std::numeric_limits<T>::max(), where + "." + name));
}

void expectObject(const json& value, const std::string& where) {
  if (!value.is_object()) throw std::runtime_error(where + ": expected an object");
}

const json& arrayField(const json& object, const char* name, const std::string& where) {
  static const json empty = json::array();
  const json* value = field(object, name);
  if (!value) return empty;
  if (!value->is_array()) throw std::runtime_error(where + ": '" + name + "' must be an array");
  return *value;
}

// Device types: 14 a programmable logic controller, 12 a communications adapter.
constexpr uint16_t kDeviceController = 14;
constexpr uint16_t kDeviceCommunications = 12;

Identity readIdentity(const json& object, uint16_t deviceType) {
  const std::string where = "identity";
  expectObject(object, where);
  Identity identity;
  identity.vendorId = number<uint16_t>(object, "vendorId", 0, where);
  identity.deviceType = number<uint16_t>(object, "deviceType", deviceType, where);
  identity.productCode = number<uint16_t>(object, "productCode", 0, where);
  identity.status = number<uint16_t>(object, "status", 0, where);
  identity.serialNumber = number<uint32_t>(object, "serialNumber", 0, where);
  if (const json* revision = field(object, "revision")) {
    if (revision->is_string()) {
      const std::string& value = revision->get_ref<const std::string&>();
      size_t dot = value.find('.');
      if (dot == std::string::npos) throw std::runtime_error("identity.revision: expected \"major.minor\"");
      identity.revisionMajor = static_cast<uint8_t>(jsonUnsigned(json(value.substr(0, dot)), 255, where));
      identity.revisionMinor = static_cast<uint8_t>(jsonUnsigned(json(value.substr(dot + 1)), 255, where));
    } else {
      expectObject(*revision, "identity.revision");
      identity.revisionMajor = number<uint8_t>(*revision, "major", 0, "identity.revision");
      identity.revisionMinor = number<uint8_t>(*revision, "minor", 0, "identity.revision");
    }
  }
  identity.productName = field(object, "productName") ? text(object, "productName", where) : "";
  if (identity.productName.size() > 255) throw std::runtime_error("identity.productName: at most 255 characters");
  return identity;
}

std::vector<TypeSpec> readTypes(const json& types) {
  std::vector<TypeSpec> specs;
  for (const json& item : types) {
    expectObject(item, "types");
    TypeSpec spec;
    spec.name = text(item, "name", "types");
    std::string where = "type " + spec.name;
    if (field(item, "id")) spec.id = number<uint16_t>(item, "id", 0, where);
    for (const json& member : arrayField(item, "members", where)) {
      expectObject(member, where);
      MemberSpec memberSpec;
      memberSpec.name = text(member, "name", where);
      memberSpec.typeName = text(member, "type", where + "." + memberSpec.name);
      memberSpec.count = number<uint32_t>(member, "dim", 0, where + "." + memberSpec.name);
      spec.members.push_back(std::move(memberSpec));
    }
    specs.push_back(std::move(spec));
  }
  return specs;
}

LiveValue::Kind liveKind(const std::string& name, const std::string& where) {
  if (name == "counter") return LiveValue::Kind::Counter;
  if (name == "sine") return LiveValue::Kind::Sine;
  if (name == "toggle") return LiveValue::Kind::Toggle;
  if (name == "clock") return LiveValue::Kind::Clock;
  throw std::runtime_error(where + ": unknown live kind '" + name + "' (counter, sine, toggle, clock)");
}

double real(const json& object, const char* name, double fallback, const std::string& where) {
  const json* value = field(object, name);
  if (!value) return fallback;
  if (!value->is_number()) throw std::runtime_error(where + "." + name + ": expected a number");
  return value->get<double>();
}

// A live value on the tag itself or, with "element", on a member or element of it
// (".Speed", "[3]", "[1].Status.Running").
LiveValue readLive(const Tag& tag, const json& object, const std::string& where) {
  expectObject(object, where);
  LiveValue live;
  live.kind = liveKind(text(object, "kind", where), where);
  std::string element = field(object, "element") ? text(object, "element", where) : "";
  std::string pathText = "x" + element;
  std::optional<Path> path = parseTagText(pathText);
  if (!path) throw std::runtime_error(where + ": bad element '" + element + "'");
  Resolution resolution = resolveWithin(tag, std::span<const Segment>(*path).subspan(1));
  const Target* target = std::get_if<Target>(&resolution);
  if (!target) throw std::runtime_error(where + ": element '" + element + "' not found in " + tag.name);
  if (target->wholeArray)
    throw std::runtime_error(where + ": a live value needs one element, not an array");

  live.periodMs = static_cast<int64_t>(number<uint32_t>(object, "periodMs", 1000, where));
  if (live.periodMs == 0) throw std::runtime_error(where + ": periodMs must not be 0");
  live.step = real(object, "step", 1, where);
  live.amplitude = real(object, "amplitude", 1, where);
  live.bias = real(object, "offset", 0, where);
  live.offset = target->offset;
  live.bit = target->bit;
  live.code = target->type.code;

  bool numeric = target->type.code != 0 && target->type.code != kBool;
  if (live.kind == LiveValue::Kind::Clock) {
    std::optional<TextLayout> layout;
    if (target->type.structure) layout = textLayout(*target->type.structure);
    if (!layout) throw std::runtime_error(where + ": a clock needs a STRING");
    live.offset = target->offset + layout->lengthOffset;
    live.textOffset = target->offset + layout->dataOffset;
    live.textCapacity = layout->capacity;
    live.prefix = field(object, "prefix") ? text(object, "prefix", where) : "";
  } else if (live.kind == LiveValue::Kind::Toggle) {
    if (target->type.structure || (target->bit < 0 && target->type.code == 0xCA) || target->type.code == 0xCB)
      throw std::runtime_error(where + ": toggle needs a BOOL or an integer");
  } else if (!numeric || target->bit >= 0) {
    throw std::runtime_error(where + ": counter and sine need a number");
  }
  size_t size = target->bit >= 0 ? 1 : target->type.size;
  if (live.kind != LiveValue::Kind::Clock)
    live.initial.assign(tag.data.begin() + target->offset, tag.data.begin() + target->offset + size);
  return live;
}

Tag readTag(const Database& db, const json& object, InstanceIds& ids, const std::string& scope) {
  expectObject(object, scope);
  TagSpec spec;
  spec.name = text(object, "name", scope);
  std::string where = scope + spec.name;
  if (field(object, "type")) spec.typeName = text(object, "type", where);
  for (const json& dim : arrayField(object, "dims", where))
    spec.dims.push_back(static_cast<uint32_t>(jsonUnsigned(dim, kMaxDimension, where + ".dims")));
  if (const json* system = field(object, "system")) spec.system = system->is_boolean() && system->get<bool>();
  if (field(object, "typeWord")) spec.typeWord = number<uint16_t>(object, "typeWord", 0, where);
  if (field(object, "instance")) spec.instance = number<uint32_t>(object, "instance", 0, where);

  Tag tag = makeTag(db, spec);
  if (spec.instance) {
    tag.instanceId = *spec.instance;
    ids.taken(*spec.instance);
  } else {
    tag.instanceId = ids.take(tag.name);
  }
  if (const json* value = field(object, "value")) {
    if (!tag.readable()) throw std::runtime_error(where + ": a symbol without a type has no value");
    bool boolBits = !spec.dims.empty() && tag.element.code == kDword && atomicCode(spec.typeName) == kBool;
    writeJsonValue(tag.element, std::span<const uint32_t>(tag.dims.data(), tag.dimCount), boolBits, *value,
                   tag.data.data(), where);
  }
  if (const json* live = field(object, "live")) {
    if (live->is_array()) {
      for (const json& item : *live) tag.live.push_back(readLive(tag, item, where + ".live"));
    } else {
      tag.live.push_back(readLive(tag, *live, where + ".live"));
    }
  }
  return tag;
}

void readScopeTags(const Database& db, const json& tags, Scope& scope, InstanceIds& ids, const std::string& where) {
  for (const json& item : tags) scope.tags.push_back(readTag(db, item, ids, where));
}

std::shared_ptr<Database> readDatabase(const json& root) {
  expectObject(root, "database");
  auto db = std::make_shared<Database>();
  if (const json* identity = field(root, "identity")) db->identity = readIdentity(*identity, kDeviceController);
  db->slot = number<uint8_t>(root, "slot", 0, "database");
  buildTypes(*db, readTypes(arrayField(root, "types", "database")));

  InstanceIds controllerIds;
  readScopeTags(*db, arrayField(root, "tags", "database"), db->controller, controllerIds, "");
  for (const json& item : arrayField(root, "programs", "database")) {
    expectObject(item, "programs");
    std::string name = text(item, "name", "programs");
    Scope& program = db->programs.emplace_back();
    program.name = name;
    InstanceIds programIds;
    readScopeTags(*db, arrayField(item, "tags", "program " + name), program, programIds, "Program:" + name + ".");
    finishScope(program);

    TagSpec spec;
    spec.name = "Program:" + name;
    spec.typeWord = kTypeProgram;
    Tag symbol = makeTag(*db, spec);
    if (field(item, "instance")) {
      symbol.instanceId = number<uint32_t>(item, "instance", 0, "program " + name);
      controllerIds.taken(symbol.instanceId);
    } else {
      symbol.instanceId = controllerIds.take(spec.name);
    }
    symbol.program = &program;
    db->controller.tags.push_back(std::move(symbol));
  }
  finishScope(db->controller);
  return db;
}

// A chassis: the communication module that owns the address and the controllers in
// its slots, each a database of its own.
std::shared_ptr<Database> readChassis(const json& chassis) {
  expectObject(chassis, "chassis");
  auto module = std::make_shared<Database>();
  module->isModule = true;
  module->identity.deviceType = kDeviceCommunications;
  const json* description = field(chassis, "module");
  if (description) {
    expectObject(*description, "chassis.module");
    module->slot = number<uint8_t>(*description, "slot", 0, "chassis.module");
    if (const json* identity = field(*description, "identity"))
      module->identity = readIdentity(*identity, kDeviceCommunications);
  }
  buildTypes(*module, {});
  finishScope(module->controller);
  for (const json& item : arrayField(chassis, "controllers", "chassis")) {
    expectObject(item, "chassis.controllers");
    if (!field(item, "slot")) throw std::runtime_error("chassis.controllers: every controller needs a 'slot'");
    std::shared_ptr<Database> controller = readDatabase(item);
    std::string where = "chassis slot " + std::to_string(controller->slot);
    if (controller->slot == module->slot) throw std::runtime_error(where + ": the module is there");
    if (!module->slots.emplace(controller->slot, std::move(controller)).second)
      throw std::runtime_error(where + ": two controllers");
  }
  return module;
}

std::shared_ptr<Database> readRoot(const json& root) {
  expectObject(root, "database");
  if (const json* chassis = field(root, "chassis")) return readChassis(*chassis);
  return readDatabase(root);
}

}  // namespace

Controller parseController(std::string_view jsonText) {
  json root;
  try {
    root = json::parse(jsonText.begin(), jsonText.end(), nullptr, true, true);
  } catch (const json::exception& error) {
    throw std::runtime_error(std::string("JSON: ") + error.what());
  }
  try {
    return makeController(readRoot(root));
  } catch (const json::exception& error) {
    throw std::runtime_error(std::string("JSON: ") + error.what());
  }
}

Controller loadController(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error(path.string() + ": cannot be read");
  std::ostringstream content;
  content << file.rdbuf();
  try {
    return parseController(content.str());
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(path.string() + ": " + error.what());
  }
}

}  // namespace quillon::sim
