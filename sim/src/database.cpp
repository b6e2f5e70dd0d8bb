#include "database.hpp"

#include <algorithm>
#include <stdexcept>

#include "symbol_object.hpp"

namespace quillon::sim::detail {

const Tag* Scope::find(std::string_view tagName) const {
  auto found = byName.find(tagName);
  return found == byName.end() ? nullptr : &tags[found->second];
}

size_t Scope::firstAtOrAfter(uint32_t instance) const {
  auto it = std::lower_bound(tags.begin(), tags.end(), instance,
                             [](const Tag& tag, uint32_t id) { return tag.instanceId < id; });
  return static_cast<size_t>(it - tags.begin());
}

const Tag* Scope::findInstance(uint32_t instance) const {
  size_t index = firstAtOrAfter(instance);
  return index < tags.size() && tags[index].instanceId == instance ? &tags[index] : nullptr;
}

const StructType* Database::findType(uint16_t id) const {
  auto found = typesById.find(id);
  return found == typesById.end() ? nullptr : found->second;
}

const Scope* Database::findProgram(std::string_view symbolName) const {
  const Tag* tag = controller.find(symbolName);
  return tag ? tag->program : nullptr;
}

void finishScope(Scope& scope) {
  std::sort(scope.tags.begin(), scope.tags.end(),
            [](const Tag& a, const Tag& b) { return a.instanceId < b.instanceId; });
  scope.byName.clear();
  scope.byName.reserve(scope.tags.size());
  for (uint32_t i = 0; i < scope.tags.size(); ++i) {
    const Tag& tag = scope.tags[i];
    if (i > 0 && scope.tags[i - 1].instanceId == tag.instanceId)
      throw std::runtime_error("duplicate instance id " + std::to_string(tag.instanceId) + " (" +
                               tag.name + ")");
    if (tag.instanceId == 0 || tag.instanceId == 0xFFFFFFFF)
      throw std::runtime_error("instance id of " + tag.name + " out of range");
    if (tag.name.empty() || tag.name.size() > 255)
      throw std::runtime_error("tag name must have 1 to 255 characters: '" + tag.name + "'");
    if (!scope.byName.emplace(tag.name, i).second)
      throw std::runtime_error("duplicate tag name " + tag.name);
  }
  precomputeSymbolEntries(scope);
}

}  // namespace quillon::sim::detail
