#include "controller_access.hpp"

#include "types.hpp"

namespace quillon::sim {

namespace {

std::shared_ptr<const detail::Database> emptyDatabase() {
  auto db = std::make_shared<detail::Database>();
  detail::buildTypes(*db, {});
  detail::finishScope(db->controller);
  return db;
}

}  // namespace

Controller makeController(std::shared_ptr<const detail::Database> db) {
  Controller controller;
  controller.db_ = std::move(db);
  return controller;
}

Controller::Controller() : db_(emptyDatabase()) {}

const Identity& Controller::identity() const { return db_->identity; }

uint8_t Controller::slot() const { return db_->slot; }

bool Controller::isChassis() const { return db_->isModule; }

std::optional<Controller> Controller::inSlot(uint8_t slot) const {
  auto found = db_->slots.find(slot);
  if (found == db_->slots.end()) return std::nullopt;
  return makeController(found->second);
}

std::vector<SymbolInfo> Controller::symbols(std::string_view program) const {
  const detail::Scope* scope = &db_->controller;
  if (!program.empty()) {
    scope = db_->findProgram("Program:" + std::string(program));
    if (!scope) return {};
  }
  std::vector<SymbolInfo> out;
  out.reserve(scope->tags.size());
  for (const detail::Tag& tag : scope->tags) out.push_back({tag.instanceId, tag.name, tag.typeWord, tag.dims});
  return out;
}

std::vector<std::string> Controller::programs() const {
  std::vector<std::string> names;
  for (const detail::Tag& tag : db_->controller.tags)
    if (tag.program) names.push_back(tag.program->name);
  return names;
}

size_t Controller::typeCount() const { return db_->types.size(); }

}  // namespace quillon::sim
