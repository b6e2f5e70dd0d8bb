#include "Controller.hpp"

namespace cli {

std::string describeResult(zoltc_logix_result result) {
    return std::string(zoltc_logix_result_name(result)) + " (result " + std::to_string(result) + ")";
}

Controller::~Controller() {
    zoltc_logix_disconnect(handle);
    zoltc_logix_client_destroy(handle);
}

namespace {

// Device type of a communications adapter in the identity object.
constexpr std::uint16_t kCommunicationsAdapter = 12;

} // namespace

std::string Controller::explain(zoltc_logix_result result) const {
    std::string text = describeResult(result);
    if (result == ZOLTC_LOGIX_ERR_ROUTE_FAILED) {
        char failure[160];
        zoltc_logix_describe_route_failure(handle, failure, sizeof failure);
        text += std::string(": ") + failure;
    } else if (result == ZOLTC_LOGIX_ERR_CIP_STATUS && route.empty() &&
               zoltc_logix_get_identity(handle)->device_type == kCommunicationsAdapter) {
        text += "; " + formatAddress(where) +
                " is a communication module: give --path 1,SLOT to reach a controller in its chassis";
    }
    return text;
}

std::unique_ptr<Controller> Controller::connect(const Address& address, std::uint32_t timeoutMs, std::ostream& err,
                                               const std::string& path) {
    zoltc_logix_client* client = zoltc_logix_client_create();
    if (client == nullptr) {
        err << "quillon-cli: cannot connect to " << formatAddress(address) << ": "
            << describeResult(ZOLTC_LOGIX_ERR_NO_MEMORY) << "\n";
        return nullptr;
    }
    // Owned from here on, so that every exit below releases the handle.
    std::unique_ptr<Controller> controller(new Controller(client, address, path));
    zoltc_logix_result result = zoltc_logix_set_route(client, path.c_str(), nullptr, 0);
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

} // namespace cli
