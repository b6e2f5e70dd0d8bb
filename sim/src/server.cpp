#include "quillon_sim/server.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <system_error>
#include <deque>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "encapsulation.hpp"
#include "faults.hpp"
#include "socket.hpp"
#include "utc_time.hpp"

namespace quillon::sim {

using namespace detail;

namespace {

// Session handles: a start that differs from run to run, then an odd step, which visits
// every 32-bit value before repeating; 0 is skipped.
constexpr uint32_t kSessionStep = 0x9E3779B1u;

uint32_t sessionSeed() {
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<uint32_t>(now ^ (now >> 32)) | 1u;
}

}  // namespace

struct Server::Impl {
  struct ClientConnection {
    uint64_t id = 0;
    SocketHandle socket = kNoSocket;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  explicit Impl(Controller c, Options o) : controller(std::move(c)), options(std::move(o)) {}

  Options snapshot() const {
    std::lock_guard<std::mutex> lock(optionsMutex);
    return options;
  }

  void acceptLoop();
  void datagramLoop();
  void serve(ClientConnection& connection);
  void record(RequestRecord record, uint32_t limit);
  bool waitLatency(uint32_t ms);
  bool sendReply(SocketHandle socket, const uint8_t* bytes, size_t size, uint32_t trickleMs);
  void reapFinished();
  void admit(SocketHandle socket, const Options& knobs);
  void log(const std::string& line);

  Controller controller;
  mutable std::mutex optionsMutex;
  Options options;

  mutable std::mutex recordsMutex;
  std::deque<RequestRecord> records;
  std::function<void(const RequestRecord&)> observer;

  std::atomic<uint64_t> accepted{0};
  std::atomic<uint64_t> registered{0};
  std::atomic<uint64_t> unregistered{0};
  std::atomic<uint64_t> open{0};
  std::atomic<uint32_t> cipConnections{0};  // class 3 connections open across sessions
  std::atomic<uint32_t> nextHandle{sessionSeed()};

  mutable std::mutex stateMutex;  // start and stop
  bool running = false;
  uint16_t port = 0;
  SocketHandle listener = kNoSocket;
  std::thread acceptThread;
  SocketHandle datagrams = kNoSocket;  // ListIdentity over UDP on the same port
  uint32_t datagramIpv4 = 0;           // where a stop wakes the datagram thread
  std::thread datagramThread;
  std::atomic<bool> stopping{false};

  std::mutex connectionsMutex;
  std::list<std::unique_ptr<ClientConnection>> connections;
  uint64_t lastConnectionId = 0;

  std::mutex waitMutex;
  std::condition_variable waitSignal;

  std::mutex logMutex;
};

// Events of the server itself (refusals, idle closes, accept failures), not requests.
void Server::Impl::log(const std::string& line) {
  std::lock_guard<std::mutex> lock(logMutex);
  std::cerr << "quillon-sim: " << line << std::endl;
}

void Server::Impl::acceptLoop() {
  // When accept fails (descriptors ran out, EMFILE/ENFILE), waiting lets connections end
  // and free some; the wait doubles up to a second, and the first failure is logged.
  uint32_t backoffMs = 0;
  for (;;) {
    std::string error;
    SocketHandle socket = acceptOn(listener, error);
    if (stopping) {
      if (socket != kNoSocket) closeSocket(socket);
      return;
    }
    reapFinished();
    if (socket == kNoSocket) {
      if (backoffMs == 0) log("accept failed (" + error + "); retrying with a back-off");
      backoffMs = std::min<uint32_t>(backoffMs ? backoffMs * 2 : 10, 1000);
      if (!waitLatency(backoffMs)) return;
      continue;
    }
    backoffMs = 0;
    admit(socket, snapshot());
  }
}

void Server::Impl::admit(SocketHandle socket, const Options& knobs) {
  std::lock_guard<std::mutex> lock(connectionsMutex);
  const uint64_t id = ++lastConnectionId;
  ++accepted;
  if (knobs.maxConnections && connections.size() >= knobs.maxConnections) {
    log("connection " + std::to_string(id) + " refused: " + std::to_string(connections.size()) +
        " connections open, the limit is " + std::to_string(knobs.maxConnections));
    closeSocket(socket);
    return;
  }
  if (knobs.idleTimeoutMs) setReceiveTimeout(socket, knobs.idleTimeoutMs);
  auto& connection = connections.emplace_back(std::make_unique<ClientConnection>());
  connection->id = id;
  connection->socket = socket;
  ++open;
  ClientConnection& ref = *connection;
  try {
    connection->thread = std::thread([this, &ref] { serve(ref); });
  } catch (const std::system_error& error) {
    log("connection " + std::to_string(id) + " refused: no thread (" + error.what() + ")");
    --open;
    closeSocket(socket);
    connections.pop_back();
  }
}

// ListIdentity is the one request served over UDP (a broadcast reaches every device);
// anything else that arrives there is ignored, as devices do.
void Server::Impl::datagramLoop() {
  ConnectionEnvironment environment;
  environment.localIpv4 = datagramIpv4;
  environment.localPort = port;
  Connection protocol(controller.database(), std::move(environment));
  uint8_t buffer[600];
  while (!stopping) {
    uint32_t fromIpv4 = 0;
    uint16_t fromPort = 0;
    size_t size = receiveDatagram(datagrams, buffer, sizeof buffer, fromIpv4, fromPort);
    if (stopping) return;
    if (size < kHeaderSize) continue;
    Header header = decodeHeader(buffer);
    if (header.command != command::kListIdentity || header.length != size - kHeaderSize) continue;
    RequestRecord entry;
    entry.time = std::chrono::system_clock::now();
    entry.command = header.command;
    entry.senderContext = header.senderContext;
    Options knobs = snapshot();
    record(entry, knobs.requestRecordLimit);
    Outcome outcome = protocol.handle(header, ByteSpan(buffer + kHeaderSize, header.length), knobs);
    if (outcome.reply) sendDatagram(datagrams, outcome.reply->data(), outcome.reply->size(), fromIpv4, fromPort);
  }
}

void Server::Impl::reapFinished() {
  std::lock_guard<std::mutex> lock(connectionsMutex);
  for (auto it = connections.begin(); it != connections.end();) {
    if (!(*it)->done) {
      ++it;
      continue;
    }
    (*it)->thread.join();
    closeSocket((*it)->socket);
    it = connections.erase(it);
  }
}

bool Server::Impl::sendReply(SocketHandle socket, const uint8_t* bytes, size_t size, uint32_t trickleMs) {
  if (!trickleMs) return sendAll(socket, bytes, size);
  for (size_t k = 0; k < size; ++k) {
    if (k && !waitLatency(trickleMs)) return false;
    if (!sendAll(socket, bytes + k, 1)) return false;
  }
  return true;
}

bool Server::Impl::waitLatency(uint32_t ms) {
  std::unique_lock<std::mutex> lock(waitMutex);
  return !waitSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping.load(); });
}

void Server::Impl::record(RequestRecord entry, uint32_t limit) {
  if (observer) observer(entry);
  if (limit == 0) return;
  std::lock_guard<std::mutex> lock(recordsMutex);
  records.push_back(std::move(entry));
  while (records.size() > limit) records.pop_front();
}

void Server::Impl::serve(ClientConnection& client) {
  ConnectionEnvironment environment;
  environment.localIpv4 = localIpv4(client.socket);
  environment.localPort = localPort(client.socket);
  environment.newSessionHandle = [this] {
    uint32_t handle = 0;
    while (handle == 0) handle = nextHandle.fetch_add(kSessionStep);
    return handle;
  };
  environment.sessionRegistered = [this] { ++registered; };
  environment.sessionUnregistered = [this] { ++unregistered; };
  environment.openCipConnections = &cipConnections;
  Connection protocol(controller.database(), std::move(environment));

  uint8_t head[kHeaderSize];
  Bytes data;
  uint64_t served = 0;
  uint64_t garbageSeed = client.id;
  while (!stopping) {
    Received got = receiveAll(client.socket, head, kHeaderSize);
    Header header{};
    if (got == Received::all) {
      header = decodeHeader(head);
      data.resize(header.length);
      if (header.length) got = receiveAll(client.socket, data.data(), header.length);
    }
    if (got == Received::timedOut && !stopping)
      log("connection " + std::to_string(client.id) + " closed: it sent nothing for too long");
    if (got != Received::all) break;
    Options knobs = snapshot();

    RequestRecord base;
    base.time = std::chrono::system_clock::now();
    base.connectionId = client.id;
    base.command = header.command;
    base.sessionHandle = header.sessionHandle;
    base.senderContext = header.senderContext;
    if (knobs.stall) {
      record(base, knobs.requestRecordLimit);
      continue;
    }
    Outcome outcome = protocol.handle(header, data, knobs);
    base.cipConnectionId = outcome.cipConnectionId;
    base.sequenceCount = outcome.sequenceCount;
    if (outcome.records.empty()) record(base, knobs.requestRecordLimit);
    for (CipRecord& cip : outcome.records) {
      RequestRecord entry = base;
      entry.embedded = cip.embedded;
      entry.service = cip.service;
      entry.path = std::move(cip.path);
      entry.data = std::move(cip.data);
      entry.generalStatus = cip.generalStatus;
      record(std::move(entry), knobs.requestRecordLimit);
    }

    bool close = outcome.close;
    if (outcome.reply) {
      Bytes& reply = *outcome.reply;
      applyReplyFaults(reply, header.command, knobs, garbageSeed);
      if (knobs.latencyMs && !waitLatency(knobs.latencyMs)) break;
      size_t size = reply.size();
      if (knobs.truncateReplyTo) {
        size = std::min<size_t>(size, knobs.truncateReplyTo);
        close = true;
      }
      if (!sendReply(client.socket, reply.data(), size, knobs.trickleMs)) break;
    }
    ++served;
    if (knobs.closeAfterRequests && served >= knobs.closeAfterRequests) close = true;
    if (close) break;
  }
  shutdownSocket(client.socket);
  --open;
  client.done = true;
}

Server::Server(Controller controller, Options options)
    : impl_(std::make_unique<Impl>(std::move(controller), std::move(options))) {
  initSockets();
}

Server::~Server() { stop(); }

uint16_t Server::start(uint16_t port, const std::string& host) {
  std::lock_guard<std::mutex> lock(impl_->stateMutex);
  if (impl_->running) throw std::runtime_error("the server is already running");
  impl_->listener = listenOn(host, port);
  impl_->port = localPort(impl_->listener);
  impl_->stopping = false;
  impl_->acceptThread = std::thread([this] { impl_->acceptLoop(); });
  // Discovery is a convenience: a UDP port that is taken leaves the TCP side serving.
  impl_->datagrams = datagramOn(host, impl_->port);
  if (impl_->datagrams != kNoSocket) {
    uint32_t bound = localIpv4(impl_->datagrams);
    impl_->datagramIpv4 = bound != 0 ? bound : 0x7F000001u;
    impl_->datagramThread = std::thread([this] { impl_->datagramLoop(); });
  }
  impl_->running = true;
  return impl_->port;
}

void Server::stop() {
  std::lock_guard<std::mutex> lock(impl_->stateMutex);
  if (!impl_->running) return;
  {
    std::lock_guard<std::mutex> wait(impl_->waitMutex);
    impl_->stopping = true;
  }
  impl_->waitSignal.notify_all();
  bool listenerClosed = stopListening(impl_->listener);
  impl_->acceptThread.join();
  if (!listenerClosed) closeSocket(impl_->listener);
  impl_->listener = kNoSocket;
  if (impl_->datagrams != kNoSocket) {
    // A datagram of our own wakes the receive; the stop flag then ends the loop.
    const uint8_t wake = 0;
    sendDatagram(impl_->datagrams, &wake, 1, impl_->datagramIpv4, impl_->port);
    impl_->datagramThread.join();
    closeSocket(impl_->datagrams);
    impl_->datagrams = kNoSocket;
  }
  {
    std::lock_guard<std::mutex> connections(impl_->connectionsMutex);
    for (auto& connection : impl_->connections) shutdownSocket(connection->socket);
    for (auto& connection : impl_->connections) {
      connection->thread.join();
      closeSocket(connection->socket);
    }
    impl_->connections.clear();
  }
  impl_->running = false;
  impl_->port = 0;
}

bool Server::running() const {
  std::lock_guard<std::mutex> lock(impl_->stateMutex);
  return impl_->running;
}

uint16_t Server::port() const {
  std::lock_guard<std::mutex> lock(impl_->stateMutex);
  return impl_->port;
}

void Server::setOptions(const Options& options) {
  std::lock_guard<std::mutex> lock(impl_->optionsMutex);
  impl_->options = options;
}

Options Server::options() const { return impl_->snapshot(); }

std::vector<RequestRecord> Server::requests() const {
  std::lock_guard<std::mutex> lock(impl_->recordsMutex);
  return {impl_->records.begin(), impl_->records.end()};
}

void Server::clearRequests() {
  std::lock_guard<std::mutex> lock(impl_->recordsMutex);
  impl_->records.clear();
}

void Server::setRequestObserver(std::function<void(const RequestRecord&)> observer) {
  std::lock_guard<std::mutex> lock(impl_->stateMutex);
  impl_->observer = std::move(observer);
}

uint64_t Server::connectionsAccepted() const { return impl_->accepted; }
uint64_t Server::sessionsRegistered() const { return impl_->registered; }
uint64_t Server::sessionsUnregistered() const { return impl_->unregistered; }
uint64_t Server::openConnections() const { return impl_->open; }

const Controller& Server::controller() const { return impl_->controller; }

std::string formatRequestRecord(const RequestRecord& record) {
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(record.time.time_since_epoch()).count();
  std::time_t seconds = static_cast<std::time_t>(millis / 1000);
  std::tm parts = utcTime(seconds);
  char line[160];
  std::snprintf(line, sizeof line,
                "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ conn=%llu cmd=0x%04X session=0x%08X ctx=%llu",
                parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                parts.tm_sec, static_cast<int>(millis % 1000),
                static_cast<unsigned long long>(record.connectionId), record.command, record.sessionHandle,
                static_cast<unsigned long long>(record.senderContext));
  std::string text = line;
  // Before the path, which is free text and ends the line.
  if (record.cipConnectionId != 0) {
    std::snprintf(line, sizeof line, " cipconn=0x%08X seq=%u", record.cipConnectionId, record.sequenceCount);
    text += line;
  }
  if (record.service != 0 || !record.path.empty()) {
    std::snprintf(line, sizeof line, " %sservice=0x%02X status=0x%02X path=", record.embedded ? "embedded " : "",
                  record.service, record.generalStatus);
    text += line;
    text += record.path;
  }
  return text;
}

}  // namespace quillon::sim
