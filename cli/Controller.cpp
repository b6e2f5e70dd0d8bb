#include "Controller.hpp"

namespace cli {

std::string describeResult(zoltc_logix_result result) {
    return std::string(zoltc_logix_result_name(result)) + " (result " + std::to_string(result) + ")";
}

Controller::~Controller() {
    zoltc_logix_disconnect(handle);
    zoltc_logix_client_destroy(handle);
}

std::unique_ptr<Controller> Controller::connect(const Address& address, std::uint32_t timeoutMs, std::ostream& err) {
    zoltc_logix_client* client = zoltc_logix_client_create();
    if (client == nullptr) {
        err << "quillon-cli: cannot connect to " << formatAddress(address) << ": "
            << describeResult(ZOLTC_LOGIX_ERR_NO_MEMORY) << "\n";
        return nullptr;
    }
    // Owned from here on, so that every exit below releases the handle.
    std::unique_ptr<Controller> controller(new Controller(client, address));
    const zoltc_logix_result result = zoltc_logix_connect(client, address.host.c_str(), address.port, timeoutMs);
    if (result != ZOLTC_LOGIX_OK) {
        err << "quillon-cli: cannot connect to " << formatAddress(address) << ": " << describeResult(result) << "\n";
        return nullptr;
    }
    return controller;
}

} // namespace cli
