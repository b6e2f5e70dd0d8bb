#include "DeviceSearch.hpp"

#include <fmt/format.h>

#include <exception>
#include <system_error>
#include <utility>

namespace {

std::vector<DeviceSearch::Device> devicesOf(const zoltc_logix_device_list& list) {
    std::vector<DeviceSearch::Device> devices;
    devices.reserve(list.count);
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const zoltc_logix_device& found = list.devices[i];
        const std::uint32_t ip = found.sender_ipv4;
        DeviceSearch::Device device;
        device.productName = found.identity.product_name != nullptr ? found.identity.product_name : "";
        device.host = fmt::format("{}.{}.{}.{}", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF);
        device.port = found.port != 0 ? found.port : found.sender_port;
        device.deviceType = found.identity.device_type;
        devices.push_back(std::move(device));
    }
    return devices;
}

DeviceSearch::Outcome search(const std::string& host, std::uint16_t port) {
    DeviceSearch::Outcome found;
    zoltc_logix_device_list list{};
    // Broadcast mode for every address: a unicast address simply answers once.
    found.result = zoltc_logix_discover(host.c_str(), port, true, DeviceSearch::windowMs, &list);
    try {
        found.devices = devicesOf(list);
        found.skipped = list.skipped;
    } catch (const std::exception&) {
        found.result = ZOLTC_LOGIX_ERR_NO_MEMORY;
        found.devices.clear();
    }
    zoltc_logix_device_list_free(&list);
    return found;
}

} // namespace

DeviceSearch::~DeviceSearch() {
    if (worker.joinable()) {
        worker.join();
    }
}

bool DeviceSearch::start(const std::string& host, std::uint16_t port, std::function<void()> done) {
    if (running.exchange(true)) {
        return false;
    }
    if (worker.joinable()) {
        worker.join(); // the previous search has ended: running was false
    }
    try {
        worker = std::thread([this, host, port, done = std::move(done)] {
            Outcome found = search(host, port);
            {
                std::lock_guard lock(mutex);
                last = std::move(found);
            }
            running = false;
            if (done) {
                done();
            }
        });
    } catch (const std::system_error&) {
        running = false; // no thread: nothing runs
        return false;
    }
    return true;
}

std::optional<DeviceSearch::Outcome> DeviceSearch::outcome() const {
    std::lock_guard lock(mutex);
    return last;
}
