// quillon-cli discover: the devices that answer ListIdentity, by broadcast or from one
// address.

#include <cmath>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "Command.hpp"
#include "Controller.hpp"
#include "Csv.hpp"
#include "Numbers.hpp"
#include "Printable.hpp"
#include "UsageError.hpp"
#include "zoltc_logix.h"

namespace cli {
namespace {

constexpr std::string_view kDefaultBroadcast = "255.255.255.255";
constexpr double kDefaultWindowSeconds = 1.0;
constexpr double kMaxWindowSeconds = 3600.0;

enum class Format { Table, Json, Csv };

struct DiscoverOptions {
    Address target;
    bool broadcast = true;
    std::uint32_t windowMs = 0;
    Format format = Format::Table;
};

DiscoverOptions parseDiscoverOptions(std::span<const std::string> words) {
    static constexpr OptionSpec kOptions[] = {
        {"--broadcast", true}, {"--to", true}, {"--timeout", true}, {"--json", false}, {"--csv", false},
    };
    const Arguments arguments = parseArguments(words, kOptions);
    if (!arguments.positionals.empty()) {
        throw UsageError("unexpected argument '" + arguments.positionals.front() + "'");
    }
    const auto broadcast = arguments.value("--broadcast");
    const auto to = arguments.value("--to");
    if (broadcast && to) {
        throw UsageError("--broadcast and --to exclude each other");
    }
    if (arguments.has("--json") && arguments.has("--csv")) {
        throw UsageError("--json and --csv exclude each other");
    }
    DiscoverOptions options;
    options.broadcast = !to;
    options.target = parseAddress(to ? *to : broadcast ? *broadcast : kDefaultBroadcast);
    double seconds = kDefaultWindowSeconds;
    if (const auto text = arguments.value("--timeout")) {
        const auto parsed = parseDecimal(*text);
        if (!parsed || *parsed <= 0 || *parsed > kMaxWindowSeconds) {
            throw UsageError("invalid --timeout '" + *text + "': expected seconds above 0, at most 3600");
        }
        seconds = *parsed;
    }
    options.windowMs = static_cast<std::uint32_t>(std::ceil(seconds * 1000.0));
    options.format = arguments.has("--json") ? Format::Json : arguments.has("--csv") ? Format::Csv : Format::Table;
    return options;
}

std::string ipv4Text(std::uint32_t ipv4, std::uint16_t port) {
    return fmt::format("{}.{}.{}.{}:{}", ipv4 >> 24, (ipv4 >> 16) & 0xFF, (ipv4 >> 8) & 0xFF, ipv4 & 0xFF, port);
}

std::string productName(const zoltc_logix_device& device) {
    return device.identity.product_name != nullptr ? device.identity.product_name : "";
}

void writeTable(const zoltc_logix_device_list& list, std::ostream& out) {
    out << fmt::format("{:<22}  {:<36}  {:>6}  {:>6}  {:>7}  {:>8}  {:<10}  {:>6}  {:>5}\n", "ADDRESS", "PRODUCT NAME",
                       "VENDOR", "TYPE", "PRODUCT", "REVISION", "SERIAL", "STATUS", "STATE");
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const zoltc_logix_device& d = list.devices[i];
        const zoltc_logix_identity& id = d.identity;
        out << fmt::format("{:<22}  {:<36}  {:>6}  {:>6}  {:>7}  {:>8}  0x{:08X}  0x{:04X}  {:>5}\n",
                           ipv4Text(d.sender_ipv4, d.sender_port), printable(productName(d)), id.vendor_id,
                           id.device_type, id.product_code,
                           fmt::format("{}.{}", id.revision_major, id.revision_minor), id.serial_number, id.status,
                           d.state);
    }
}

void writeJson(const zoltc_logix_device_list& list, std::ostream& out) {
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const zoltc_logix_device& d = list.devices[i];
        const zoltc_logix_identity& id = d.identity;
        nlohmann::ordered_json device;
        device["address"] = ipv4Text(d.sender_ipv4, d.sender_port);
        device["reportedAddress"] = ipv4Text(d.ipv4, d.port);
        device["productName"] = productName(d);
        device["vendorId"] = id.vendor_id;
        device["deviceType"] = id.device_type;
        device["productCode"] = id.product_code;
        device["revision"] = fmt::format("{}.{}", id.revision_major, id.revision_minor);
        device["serialNumber"] = id.serial_number;
        device["status"] = id.status;
        device["state"] = d.state;
        devices.push_back(std::move(device));
    }
    // Replacement characters for bytes that are not UTF-8, as the tag outputs do.
    out << devices.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void writeCsv(const zoltc_logix_device_list& list, std::ostream& out) {
    out << "address,reportedAddress,productName,vendorId,deviceType,productCode,revision,serialNumber,status,state\n";
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const zoltc_logix_device& d = list.devices[i];
        const zoltc_logix_identity& id = d.identity;
        out << fmt::format("{},{},{},{},{},{},{}.{},0x{:08X},0x{:04X},{}\n", ipv4Text(d.sender_ipv4, d.sender_port),
                           ipv4Text(d.ipv4, d.port), csvField(productName(d)), id.vendor_id, id.device_type,
                           id.product_code, id.revision_major, id.revision_minor, id.serial_number, id.status,
                           d.state);
    }
}

int runDiscover(std::span<const std::string> words, const CommandIo& io) {
    const DiscoverOptions options = parseDiscoverOptions(words);
    zoltc_logix_device_list list{};
    const zoltc_logix_result result = zoltc_logix_discover(options.target.host.c_str(), options.target.port,
                                                           options.broadcast, options.windowMs, &list);
    if (result != ZOLTC_LOGIX_OK) {
        io.err << "quillon-cli: cannot ask " << formatAddress(options.target) << ": " << describeResult(result)
               << "\n";
        return kExitFailed;
    }
    if (list.skipped != 0) {
        io.err << "quillon-cli: " << list.skipped << " replies skipped (malformed or not ours)\n";
    }
    if (options.format == Format::Json) {
        writeJson(list, io.out);
    } else if (options.format == Format::Csv) {
        writeCsv(list, io.out);
    } else if (list.count != 0) {
        writeTable(list, io.out);
    }
    const bool found = list.count != 0;
    zoltc_logix_device_list_free(&list);
    if (!found && options.format == Format::Table) {
        io.err << "quillon-cli: no device answered\n";
    }
    return found ? kExitOk : kExitFailed;
}

} // namespace

const Command discoverCommand{
    "discover",
    "list the devices that answer ListIdentity",
    "quillon-cli discover [--broadcast ADDR[:PORT] | --to HOST[:PORT]] [--timeout S] [--json | --csv]",
    "Sends ListIdentity over UDP and lists every device that answers within the\n"
    "timeout: its address, product name, vendor, device type (14 a controller, 12 a\n"
    "communication module), product code, revision, serial number, status and state.\n"
    "--broadcast asks every device on the network of a broadcast address (by default\n"
    "255.255.255.255); --to asks one device and stops at its answer. The port defaults\n"
    "to 44818. --timeout is in seconds (default 1). Exit status 1 when nobody answered.\n",
    runDiscover,
    false,
    false,
};

} // namespace cli
