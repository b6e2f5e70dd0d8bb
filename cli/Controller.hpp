#pragma once

// One connected controller for the length of a command: the client handle, the
// address it was reached at, and words for the library's result codes.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "Address.hpp"
#include "zoltc_logix.h"

namespace cli {

inline constexpr std::uint32_t kDefaultTimeoutMs = 10000;

// "connect failed (result 3)": the result's name and its number.
std::string describeResult(zoltc_logix_result result);

// A controller's refusal in words: "tag not found (CIP 0x04)", "index out of range (CIP
// 0xFF/0x2105)"; a refused encapsulation request by its status.
std::string describeRefusal(const zoltc_logix_refusal& refusal);

class Controller {
public:
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;
    // Unregisters the session and releases the handle.
    ~Controller();

    // Connects (along the route path `path` when it is not empty, in the messaging
    // mode `messaging`), or writes "cannot connect to <address>: <cause>" to `err`
    // and returns null.
    static std::unique_ptr<Controller> connect(const Address& address, std::uint32_t timeoutMs, std::ostream& err,
                                               const std::string& path = {},
                                               zoltc_logix_messaging messaging = ZOLTC_LOGIX_MESSAGING_AUTO);

    // After a lost connection: connects again once, along the same route, and says so
    // on `err` ("lost the connection to <address>; reconnected"). False (said too) when
    // the connection was already reopened once or cannot be.
    bool reopen(std::ostream& err);

    // describeResult, for a refusal its cause (describeRefusal), for a refused route what the router said; for a refusal by a
    // communication module reached without a path, the hint that one is needed.
    std::string explain(zoltc_logix_result result) const;

    zoltc_logix_client* client() const { return handle; }
    const Address& address() const { return where; }

private:
    Controller(zoltc_logix_client* client, Address address, std::uint32_t timeoutMs, std::string path)
        : handle(client), where(std::move(address)), timeout(timeoutMs), route(std::move(path)) {}

    zoltc_logix_client* handle;
    Address where;
    std::uint32_t timeout;
    std::string route;
    bool reopened = false;
};

} // namespace cli
