// The message router: takes one message-router request, finds the object its path names
// and answers with that object's reply, unwrapping Unconnected Send and Multiple Service
// Packet requests on the way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// What the router served, for the server's record of requests.
struct CipRecord {
  uint8_t service = 0;
  std::string path;
  Bytes data;
  uint8_t generalStatus = 0;
  bool embedded = false;
};

class ConnectionTable;

// Where a route path leads: the one backplane hop it may start with (port 1 to a slot) is
// followed to that slot's controller; `rest` is what follows the hop (the whole path when
// it does not start with a port segment). A refusal is an extended status with the route
// words the router still had.
struct RouteStep {
  const Database* target = nullptr;
  uint16_t refusal = 0;
  size_t wordsLeft = 0;
  ByteSpan rest;
};
RouteStep followRoute(const Database& db, ByteSpan route);

class Router {
 public:
  // records may be null when nobody keeps them; connections null where no class 3
  // connection can be opened (the Connection Manager then refuses Forward Open).
  Router(const Database& db, const Options& options, std::vector<CipRecord>* records,
         ConnectionTable* connections = nullptr)
      : db_(db), options_(options), records_(records), connections_(connections) {}

  // The encoded message-router reply to an encoded request of at least one byte.
  Bytes handle(ByteSpan request) { return handleAt(request, Nesting{}, false); }

 private:
  struct Nesting {
    bool insideSend = false;
    bool insidePacket = false;
  };

  Bytes handleAt(ByteSpan bytes, Nesting nesting, bool embedded);
  Bytes unconnectedSend(const Request& request, Nesting nesting);
  Reply dispatch(const Request& request, const Path& path, Nesting nesting);
  Reply logicalObject(const Request& request, const Path& path, Nesting nesting);
  Reply symbolObject(const Request& request, const Scope& scope, const Path& path, size_t classAt);
  Reply templateObject(const Request& request, const Path& path);
  Reply tagService(const Request& request, const Path& path);
  Reply multipleServicePacket(const Request& request, Nesting nesting);

  const Database& db_;
  const Options& options_;
  std::vector<CipRecord>* records_;
  ConnectionTable* connections_;
};

}  // namespace quillon::sim::detail
