#pragma once

// The state every view shares: the one controller client handle, the lock that
// serialises every call into the client library (which has no locks of its own) and
// the connection status. Views reach the controller only through this object.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include <zoltc_logix.h>

class AppState {
public:
    // Every wait on the controller's socket is bounded by this.
    static constexpr std::uint32_t connectTimeoutMs = 10000;

    // The process-wide state of the application, created on first use.
    static AppState& instance();

    // A private state with its own client handle; the application uses instance().
    AppState();
    // Destroys the client handle, which unregisters an open session.
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Connects the client (closing an earlier connection first) and returns the client
    // library's result, 0 for success. Blocks up to the timeout: call it on the pool
    // worker only. Starts a new connection generation even when it fails.
    zoltc_logix_result connect(const std::string& ip, std::uint16_t port);

    // Closes the connection. Waits for a library call in progress on another thread
    // (browse, read, connect) to finish first.
    void disconnect();

    // Calls callable(client) while holding the client lock and returns its result.
    // Every browse and read goes through here.
    template <typename Callable>
    decltype(auto) withClient(Callable&& callable) {
        std::lock_guard lock(clientMutex);
        return std::forward<Callable>(callable)(client);
    }

    // A library call on the current connection answered "connection lost" or "not
    // connected" (`reason`): the state is no longer connected. Any thread.
    void noteConnectionLost(std::string reason);

    bool isConnected() const { return connected.load(); }
    // Changes at every connect attempt and every disconnect, so that background work can
    // tell whether its results still belong to the current connection.
    std::uint64_t connectionGeneration() const { return generation.load(); }
    // The connected controller's product name; "" after a failed connect. Read it only
    // after isConnected() returned true.
    const std::string& plcType() const { return productName; }

private:
    std::string productName;
    std::atomic<bool> connected{false};
    std::atomic<std::uint64_t> generation{0};
    zoltc_logix_client* client;
    std::mutex clientMutex;
};
