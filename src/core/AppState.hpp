#pragma once

// The state every view shares: the one controller client handle, the lock that
// serialises every call into the client library (which has no locks of its own) and
// the connection status. Views reach the controller only through this object, so a
// lost connection reported by any call (a read, a listing) is seen here first.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

#include <zoltc_logix.h>

class AppState {
public:
    // Every exchange with the controller is bounded by this.
    static constexpr std::uint32_t connectTimeoutMs = 10000;

    enum class Link { Disconnected, Connecting, Connected, Lost };

    // Who answered a connect: a controller that answers with the same identity after a
    // lost connection is the same one, and its tags need no second listing.
    struct Identity {
        std::uint16_t vendorId = 0;
        std::uint16_t deviceType = 0;
        std::uint16_t productCode = 0;
        std::uint32_t serialNumber = 0;
        std::string productName;
        bool operator==(const Identity&) const = default;
    };

    // The process-wide state of the application, created on first use.
    static AppState& instance();

    // A private state with its own client handle; the application uses instance().
    AppState();
    // Destroys the client handle, which unregisters an open session.
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // UI thread, never blocks: cuts any call in progress and starts a new connection
    // generation in the Connecting state. Returns the attempt's number for connect().
    // `afterLoss`: the automatic reconnect, which keeps the tags of the same controller.
    std::uint64_t beginConnect(bool afterLoss = false);
    // Pool worker: connects (closing an earlier connection first) when `attempt` is still
    // the current generation, else returns ZOLTC_LOGIX_ERR_ABORTED without calling. A
    // result that comes after a newer beginConnect() or disconnect() changes nothing.
    // `route`: the route path to the controller behind the device at the address ("1,0"),
    // empty for the device itself; every later request of the connection travels along it.
    zoltc_logix_result connect(const std::string& ip, std::uint16_t port, std::uint64_t attempt,
                               const std::string& route = {});

    // The same in one step from the worker (tools and tests).
    zoltc_logix_result connect(const std::string& ip, std::uint16_t port, const std::string& route = {}) {
        return connect(ip, port, beginConnect(), route);
    }

    // Marks the state Disconnected and cuts the call in progress (a listing, a stalled
    // connect), then closes the session: the wait for the client lock lasts only as long
    // as the cut call needs to return, milliseconds.
    void disconnect();
    // Cuts whatever runs now and lets nothing talk to the controller any more (exit).
    void abort() { zoltc_logix_abort(client); }

    // Records the result of a library call made for connection generation `callGeneration`:
    // a lost connection ("connection lost", "not connected") of the current connection
    // moves it to Lost with the result as the reason, and logs it.
    void noteResult(zoltc_logix_result result, std::uint64_t callGeneration);

    // Calls callable(client) while holding the client lock and returns its result. Every
    // browse and read goes through here; a zoltc_logix_result the callable returns is
    // noted (noteResult) for the generation current when the call began.
    template <typename Callable>
    decltype(auto) withClient(Callable&& callable) {
        std::lock_guard lock(clientMutex);
        const std::uint64_t callGeneration = generation.load();
        using Result = std::invoke_result_t<Callable&&, zoltc_logix_client*>;
        if constexpr (std::is_same_v<std::remove_cvref_t<Result>, zoltc_logix_result>) {
            const zoltc_logix_result result = std::forward<Callable>(callable)(client);
            noteResult(result, callGeneration);
            return result;
        } else {
            return std::forward<Callable>(callable)(client);
        }
    }

    // Pool worker: one small request (the identity's vendor attribute), so that a
    // controller that went away is noticed while nothing else is asked of it.
    zoltc_logix_result probe();

    Link link() const;

    // A library call on the current connection answered "connection lost" or "not
    // connected" (`reason`): the state is no longer connected. Any thread.
    void noteConnectionLost(std::string reason);
    bool isConnected() const { return connected.load(); }
    // Changes at every connect attempt, disconnect and lost connection, so that
    // background work can tell whether its results still belong to the current connection.
    std::uint64_t connectionGeneration() const { return generation.load(); }
    // Changes when a connect reaches another controller than the one before (or the first
    // one), or when the user connects anew: the tree lists its tags again then. A
    // reconnect after a lost connection to the same controller keeps it.
    std::uint64_t tagEpoch() const { return epoch.load(); }
    // Whether the tag epoch last changed because another controller answered a reconnect
    // after a loss (not a connect the user asked for): the watched paths it has stay.
    bool tagEpochAfterLoss() const;
    // Copies, taken under the lock: the worker rewrites them at every connect.
    std::string plcType() const;
    Identity identity() const;
    // Why the connection was lost ("connection lost", ...), "" unless Lost.
    std::string lostReason() const;
    // The route path of the last connect attempt ("" for the device at the address).
    std::string route() const;
    // What a router along the route said when the last connect failed there ("no module
    // answers at slot 3"); "" after any other outcome.
    std::string routeFailure() const;
    // What the last successful connect negotiated, and what became of it since (the
    // probe looks again): short for the bar ("connected, 4002 B", "unconnected",
    // "unconnected (fell back)") and in full for its hover text; both "" before the
    // first connect.
    struct Messaging {
        std::string brief;
        std::string detail;
    };
    Messaging messaging() const;

private:
    mutable std::mutex stateMutex; // guards the fields below, never held over a library call
    Link state = Link::Disconnected;
    Identity current;
    Messaging messagingText;
    // Pool worker, client lock held: reads the handle's messaging state into messagingText.
    void noteMessaging(const zoltc_logix_client* handle);
    bool hasIdentity = false;
    std::string reason;
    std::string currentRoute;
    std::string failedRoute;
    // A connect the user asked for lists the tags again even from the same controller;
    // a reconnect after a loss does so only for another one.
    bool userConnect = true;
    bool epochAfterLoss = false;

    std::atomic<bool> connected{false};
    std::atomic<std::uint64_t> generation{0};
    std::atomic<std::uint64_t> epoch{0};
    zoltc_logix_client* client;
    std::mutex clientMutex;
};
