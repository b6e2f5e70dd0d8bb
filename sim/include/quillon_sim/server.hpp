// quillon-sim: an EtherNet/IP server that answers as the Logix controller it is given.
//
// Usage inside a test:
//   quillon::sim::Server server(quillon::sim::parseController(json));
//   uint16_t port = server.start();          // listening when it returns
//   ... connect a client to 127.0.0.1:port ...
//   server.stop();                            // or let the destructor do it
//
// Every member function may be called from any thread. Each accepted connection is served
// by its own thread; requests on one connection are answered strictly in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim {

// One request the server received. A Multiple Service Packet or an Unconnected Send is
// recorded once as itself and once more for every request it carries (embedded = true),
// so the exchanges on the wire are the records with embedded == false. A connected request
// (SendUnitData, command 0x70) carries its connection id and sequence count.
struct RequestRecord {
  std::chrono::system_clock::time_point time;
  uint64_t connectionId = 0;       // 1 for the first connection accepted, then rising
  uint16_t command = 0;            // encapsulation command (0x65, 0x66, 0x6F, 0x63, ...)
  uint32_t sessionHandle = 0;      // as sent by the client
  uint64_t senderContext = 0;      // as sent by the client, little-endian
  bool embedded = false;
  uint8_t service = 0;             // CIP service; 0 when the command carries no CIP request
  std::string path;                // e.g. "Program:MainProgram.Counter", "Tanks[2,1].Level",
                                   // "class 0x6B instance 0"; empty when there is none
  std::vector<uint8_t> data;       // the CIP service data
  uint8_t generalStatus = 0;       // the general status of the CIP reply
  uint32_t cipConnectionId = 0;    // SendUnitData: the O->T connection id it named; else 0
  uint16_t sequenceCount = 0;      // SendUnitData: the sequence count of its Connected Data item
};

class Server {
 public:
  explicit Server(Controller controller, Options options = {});
  ~Server();  // stops the server
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens on host:port (port 0 picks a free port), starts the accept thread and
  // returns the bound port once connections can be accepted. Throws std::runtime_error when
  // the address cannot be bound or the server is already running.
  uint16_t start(uint16_t port = 0, const std::string& host = "127.0.0.1");
  // Closes the listening socket and every connection and joins every thread. Stalled or
  // delayed replies are abandoned. Idempotent; start may be called again afterwards.
  void stop();
  bool running() const;
  uint16_t port() const;  // 0 while stopped

  void setOptions(const Options& options);
  Options options() const;

  // Records of the requests served so far, oldest first (see Options::requestRecordLimit).
  std::vector<RequestRecord> requests() const;
  void clearRequests();
  // Called on the connection's thread for every record as it is made (for example to log
  // requests); set it before start. Must not call back into this server's stop().
  void setRequestObserver(std::function<void(const RequestRecord&)> observer);

  uint64_t connectionsAccepted() const;
  uint64_t sessionsRegistered() const;
  uint64_t sessionsUnregistered() const;
  uint64_t openConnections() const;

  const Controller& controller() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Formats a record as one log line: time, connection, command, session, service, path, status.
std::string formatRequestRecord(const RequestRecord& record);

}  // namespace quillon::sim
