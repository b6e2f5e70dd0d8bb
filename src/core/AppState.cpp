#include "AppState.hpp"

#include "Logger.hpp"

AppState& AppState::instance() {
    static AppState state;
    return state;
}

// A null handle (out of memory) is tolerated: the library answers every call on it
// with its invalid-argument result and ignores a disconnect.
AppState::AppState() : client(zoltc_logix_client_create()) {}

AppState::~AppState() {
    zoltc_logix_client_destroy(client);
}

zoltc_logix_result AppState::connect(const std::string& ip, std::uint16_t port) {
    std::lock_guard lock(clientMutex);
    connected = false;
    ++generation;
    const zoltc_logix_result result = zoltc_logix_connect(client, ip.c_str(), port, connectTimeoutMs);
    const char* name = result == 0 ? zoltc_logix_get_product_name(client) : nullptr;
    productName = name != nullptr ? name : "";
    connected = result == 0;
    return result;
}

void AppState::disconnect() {
    std::lock_guard lock(clientMutex);
    connected = false;
    ++generation;
    zoltc_logix_disconnect(client);
}

void AppState::noteConnectionLost(std::string reason) {
    if (connected.exchange(false)) {
        ++generation;
        logError("connection to the controller lost: {}", reason);
    }
}
