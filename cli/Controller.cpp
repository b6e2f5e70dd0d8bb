#include "Controller.hpp"

#include "Route.hpp"

namespace cli {

std::string describeResult(zoltc_logix_result result) {
    return std::string(zoltc_logix_result_name(result)) + " (result " + std::to_string(result) + ")";
}

namespace {

// Encapsulation statuses a controller gives for a refused request.
const char* encapsulationStatusText(std::uint32_t status) {
    switch (status) {
    case 0x0001:
        return "unsupported command";
    case 0x0002:
        return "insufficient memory";
    case 0x0003:
        return "incorrect data";
    case 0x0064:
        return "invalid session handle";
    case 0x0065:
        return "invalid length";
    case 0x0069:
        return "unsupported protocol version";
    default:
        return "encapsulation status";
    }
}

std::string hex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int d = digits - 1; d >= 0; --d) {
        text += kDigits[(value >> (4 * d)) & 0xF];
    }
    return text;
}

} // namespace

std::string describeRefusal(const zoltc_logix_refusal& refusal) {
    if (refusal.general_status == 0 && refusal.encapsulation_status != 0) {
        return std::string(encapsulationStatusText(refusal.encapsulation_status)) + " (encapsulation " +
               hex(refusal.encapsulation_status, 4) + ")";
    }
    char text[128];
    zoltc_logix_cip_status_text(refusal.general_status, refusal.extended_status, text, sizeof text);
    std::string codes = hex(refusal.general_status, 2);
    if (refusal.extended_status != 0) {
        codes += "/" + hex(refusal.extended_status, 4);
    }
    return std::string(text) + " (CIP " + codes + ")";
}

Controller::~Controller() {
    zoltc_logix_disconnect(handle);
    zoltc_logix_client_destroy(handle);
}

std::string Controller::explain(zoltc_logix_result result) const {
    std::string text = describeResult(result);
    const zoltc_logix_refusal* refusal = zoltc_logix_get_refusal(handle);
    if ((result == ZOLTC_LOGIX_ERR_CIP_STATUS || result == ZOLTC_LOGIX_ERR_SESSION_REFUSED) &&
        (refusal->general_status != 0 || refusal->encapsulation_status != 0)) {
        text += ": " + describeRefusal(*refusal);
    }
    if (result == ZOLTC_LOGIX_ERR_ROUTE_FAILED) {
        text += ": " + routeFailureText(handle);
    } else if (result == ZOLTC_LOGIX_ERR_CIP_STATUS && route.empty() &&
               zoltc_logix_get_identity(handle)->device_type == communicationModuleType) {
        text += "; " + formatAddress(where) +
                " is a communication module: give --path 1,SLOT to reach a controller in its chassis";
    }
    return text;
}

std::unique_ptr<Controller> Controller::connect(const Address& address, std::uint32_t timeoutMs, std::ostream& err,
                                               const std::string& path, zoltc_logix_messaging messaging) {
    zoltc_logix_client* client = zoltc_logix_client_create();
    if (client == nullptr) {
        err << "quillon-cli: cannot connect to " << formatAddress(address) << ": "
            << describeResult(ZOLTC_LOGIX_ERR_NO_MEMORY) << "\n";
        return nullptr;
    }
    // Owned from here on, so that every exit below releases the handle.
    std::unique_ptr<Controller> controller(new Controller(client, address, timeoutMs, path));
    zoltc_logix_result result = zoltc_logix_set_route(client, path.c_str(), nullptr, 0);
    if (result == ZOLTC_LOGIX_OK) {
        result = zoltc_logix_set_messaging(client, messaging);
    }
    if (result == ZOLTC_LOGIX_OK) {
        result = zoltc_logix_connect(client, address.host.c_str(), address.port, timeoutMs);
    }
    if (result != ZOLTC_LOGIX_OK) {
        err << "quillon-cli: cannot connect to " << formatAddress(address) << ": " << controller->explain(result)
            << "\n";
        return nullptr;
    }
    return controller;
}

bool Controller::reopen(std::ostream& err) {
    err << "quillon-cli: lost the connection to " << formatAddress(where);
    if (reopened) {
        err << " again\n";
        return false;
    }
    reopened = true;
    const zoltc_logix_result result = zoltc_logix_connect(handle, where.host.c_str(), where.port, timeout);
    if (result != ZOLTC_LOGIX_OK) {
        err << "; cannot reconnect: " << explain(result) << "\n";
        return false;
    }
    err << "; reconnected\n";
    return true;
}

} // namespace cli
