#include "AppState.hpp"

#include <fmt/format.h>

#include "Logger.hpp"
#include "Route.hpp"

AppState& AppState::instance() {
    static AppState state;
    return state;
}

// A null handle (out of memory) is tolerated: the library answers every call on it
// with its invalid-argument result and ignores a disconnect.
// The program opens a connection when the controller gives one (fewer, larger exchanges).
AppState::AppState() : client(zoltc_logix_client_create()) {
    zoltc_logix_set_messaging(client, ZOLTC_LOGIX_MESSAGING_AUTO);
}

AppState::~AppState() {
    zoltc_logix_client_destroy(client);
}

std::uint64_t AppState::beginConnect(bool afterLoss) {
    std::lock_guard lock(stateMutex);
    // Cuts an earlier connect or a listing at once; the worker clears the abort before
    // the attempt's own call.
    zoltc_logix_abort(client);
    connected = false;
    state = Link::Connecting;
    userConnect = !afterLoss;
    reason.clear();
    return ++generation;
}

zoltc_logix_result AppState::connect(const std::string& ip, std::uint16_t port, std::uint64_t attempt,
                                     const std::string& route) {
    std::lock_guard lock(clientMutex);
    // Clear first, then check that the attempt is still wanted: an abort after the check
    // is seen by the call (the library's rule for abort_clear).
    zoltc_logix_abort_clear(client);
    if (generation.load() != attempt) {
        return ZOLTC_LOGIX_ERR_ABORTED;
    }
    zoltc_logix_result result = zoltc_logix_set_route(client, route.c_str(), nullptr, 0);
    if (result == ZOLTC_LOGIX_OK) {
        result = zoltc_logix_connect(client, ip.c_str(), port, connectTimeoutMs);
    }
    std::string routeText = result == ZOLTC_LOGIX_ERR_ROUTE_FAILED ? routeFailureText(client) : std::string();
    Identity answered;
    if (result == ZOLTC_LOGIX_OK) {
        const zoltc_logix_identity* id = zoltc_logix_get_identity(client);
        answered.vendorId = id->vendor_id;
        answered.deviceType = id->device_type;
        answered.productCode = id->product_code;
        answered.serialNumber = id->serial_number;
        answered.productName = id->product_name != nullptr ? id->product_name : "";
        noteMessaging(client);
    }
    std::lock_guard stateLock(stateMutex);
    if (generation.load() != attempt) {
        // Cancelled meanwhile: a late success must not show as connected.
        if (result == ZOLTC_LOGIX_OK) {
            zoltc_logix_disconnect(client);
        }
        return ZOLTC_LOGIX_ERR_ABORTED;
    }
    currentRoute = route;
    failedRoute = std::move(routeText);
    if (result != ZOLTC_LOGIX_OK) {
        // A reconnect that fails stays Lost (with its first reason) and tries again later.
        if (state == Link::Connecting) {
            state = userConnect ? Link::Disconnected : Link::Lost;
        }
        if (reason.empty()) {
            reason = failedRoute.empty() ? std::string(zoltc_logix_result_name(result)) : failedRoute;
        }
        return result;
    }
    if (userConnect || !hasIdentity || !(answered == current)) {
        epochAfterLoss = !userConnect && hasIdentity;
        ++epoch;
    }
    current = std::move(answered);
    hasIdentity = true;
    reason.clear();
    state = Link::Connected;
    connected = true;
    return result;
}

void AppState::disconnect() {
    {
        std::lock_guard lock(stateMutex);
        zoltc_logix_abort(client);
        connected = false;
        state = Link::Disconnected;
        reason.clear();
        ++generation;
    }
    std::lock_guard lock(clientMutex);
    zoltc_logix_disconnect(client);
}

void AppState::noteResult(zoltc_logix_result result, std::uint64_t callGeneration) {
    if (result != ZOLTC_LOGIX_ERR_CONNECTION_LOST && result != ZOLTC_LOGIX_ERR_NOT_CONNECTED) {
        return;
    }
    std::lock_guard lock(stateMutex);
    if (callGeneration != generation.load() || state != Link::Connected) {
        return; // an earlier connection's call, or one the user ended
    }
    connected = false;
    state = Link::Lost;
    reason = zoltc_logix_result_name(result);
    ++generation;
    logError("connection to PLC lost: {}", reason);
}

zoltc_logix_result AppState::probe() {
    // Get Attribute Single, identity object (class 1), instance 1, attribute 1.
    static constexpr std::uint8_t path[] = {0x20, 0x01, 0x24, 0x01, 0x30, 0x01};
    const zoltc_logix_cip_request request{0x0E, path, sizeof path, nullptr, 0};
    return withClient([this, &request](zoltc_logix_client* handle) {
        zoltc_logix_cip_response response{};
        const zoltc_logix_result result = zoltc_logix_send_request(handle, &request, &response);
        zoltc_logix_cip_response_free(&response);
        noteMessaging(handle);
        return result;
    });
}

void AppState::noteMessaging(const zoltc_logix_client* handle) {
    const zoltc_logix_messaging_state* way = zoltc_logix_get_messaging(handle);
    Messaging now;
    if (way->mode == ZOLTC_LOGIX_MESSAGING_CONNECTED) {
        now.brief = fmt::format("connected, {} B", way->packet_size);
        now.detail = fmt::format("Connected messaging (a CIP connection), {}-byte packets", way->packet_size);
    } else if (way->fell_back) {
        now.brief = "unconnected (fell back)";
        now.detail = fmt::format("Unconnected messaging, {}-byte packets: the controller dropped the connection "
                                 "and refused a new one; it is tried again from time to time",
                                 way->packet_size);
    } else {
        now.brief = "unconnected";
        now.detail = fmt::format("Unconnected messaging, {}-byte packets: the controller gave no connection",
                                 way->packet_size);
    }
    std::lock_guard lock(stateMutex);
    messagingText = std::move(now);
}

AppState::Link AppState::link() const {
    std::lock_guard lock(stateMutex);
    return state;
}

std::string AppState::plcType() const {
    std::lock_guard lock(stateMutex);
    return current.productName;
}

bool AppState::tagEpochAfterLoss() const {
    std::lock_guard lock(stateMutex);
    return epochAfterLoss;
}

AppState::Identity AppState::identity() const {
    std::lock_guard lock(stateMutex);
    return current;
}

std::string AppState::route() const {
    std::lock_guard lock(stateMutex);
    return currentRoute;
}

std::string AppState::routeFailure() const {
    std::lock_guard lock(stateMutex);
    return failedRoute;
}

AppState::Messaging AppState::messaging() const {
    std::lock_guard lock(stateMutex);
    return messagingText;
}

std::string AppState::lostReason() const {
    std::lock_guard lock(stateMutex);
    return state == Link::Lost ? reason : std::string();
}

void AppState::noteConnectionLost(std::string why) {
    std::lock_guard lock(stateMutex);
    if (state != Link::Connected) {
        return; // already lost, or ended by the user
    }
    connected = false;
    state = Link::Lost;
    reason = std::move(why);
    ++generation;
    logError("connection to PLC lost: {}", reason);
}
