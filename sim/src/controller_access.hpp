// Wrapping a finished database into the public Controller.
#pragma once

#include <memory>

#include "database.hpp"
#include "quillon_sim/controller.hpp"

namespace quillon::sim {

Controller makeController(std::shared_ptr<const detail::Database> db);

}  // namespace quillon::sim
