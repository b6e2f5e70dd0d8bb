// Placeholder definitions while the simulator is written; replaced file by file.
#include <stdexcept>

#include "quillon_sim/server.hpp"

namespace quillon::sim {

namespace detail {
struct Database {};
}  // namespace detail

Controller::Controller() : db_(std::make_shared<detail::Database>()) {}

Controller parseController(std::string_view) { throw std::runtime_error("not available yet"); }
Controller loadController(const std::filesystem::path&) { throw std::runtime_error("not available yet"); }

struct Server::Impl {
  Controller controller;
  Options options;
};

Server::Server(Controller controller, Options options)
    : impl_(std::make_unique<Impl>(Impl{std::move(controller), options})) {}
Server::~Server() = default;
uint16_t Server::start(uint16_t, const std::string&) { throw std::runtime_error("not available yet"); }
void Server::stop() {}

}  // namespace quillon::sim
