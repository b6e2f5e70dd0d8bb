// Class 3 connections of one TCP session: Forward Open, Large Forward Open and Forward
// Close on the Connection Manager, and the table SendUnitData finds its connection in.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

using Clock = std::chrono::steady_clock;

struct CipConnection {
  uint32_t otId = 0;          // chosen here; the originator's requests name it
  uint32_t toId = 0;          // chosen by the originator; our replies name it
  uint16_t serial = 0;        // with vendor and originator serial: the connection's triad
  uint16_t vendor = 0;
  uint32_t originatorSerial = 0;
  size_t otSize = 0;          // bytes of a request: sequence count + message-router request
  size_t toSize = 0;          // bytes of a reply: sequence count + message-router reply
  Clock::duration timeout{};  // idle time after which the connection is forgotten
  Clock::time_point lastUsed{};
  const Database* target = nullptr;  // the controller the connection path leads to
  uint32_t served = 0;
  std::optional<uint16_t> lastSequence;  // a repeated count gets the same reply again
  Bytes lastReply;
};

class ConnectionTable {
 public:
  // `open` counts connections across the server (for maxCipConnections); null: this table's own.
  ConnectionTable(const Database& db, std::atomic<uint32_t>* open) : db_(db), open_(open ? open : &own_) {}
  ~ConnectionTable();
  ConnectionTable(const ConnectionTable&) = delete;
  ConnectionTable& operator=(const ConnectionTable&) = delete;

  Reply forwardOpen(const Request& request, bool large, const Options& options);
  Reply forwardClose(const Request& request);
  // The live connection with this O->T id; null when there is none or it has been idle
  // beyond its timeout (then it is forgotten).
  CipConnection* find(uint32_t otId, Clock::time_point now);
  void forget(uint32_t otId);

 private:
  const Database& db_;
  std::atomic<uint32_t> own_{0};
  std::atomic<uint32_t>* open_;
  std::map<uint32_t, CipConnection> connections_;
};

}  // namespace quillon::sim::detail
