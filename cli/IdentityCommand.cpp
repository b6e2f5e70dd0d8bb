// quillon-cli identity: the controller's identity as read when connecting.

#include <fmt/format.h>

#include "Command.hpp"
#include "Controller.hpp"
#include "Printable.hpp"
#include "UsageError.hpp"

namespace cli {
namespace {

const char* messagingName(const zoltc_logix_client* client) {
    return zoltc_logix_get_messaging(client)->mode == ZOLTC_LOGIX_MESSAGING_CONNECTED ? "connected" : "unconnected";
}

int runIdentity(std::span<const std::string> words, const CommandIo& io) {
    static constexpr OptionSpec kOptions[] = {kTimeoutOption, kPathOption, kUnconnectedOption, kConnectedOption};
    Arguments arguments = parseArguments(words, kOptions);
    const CommonOptions common = takeCommonOptions(arguments);
    if (!arguments.positionals.empty()) {
        throw UsageError("unexpected argument '" + arguments.positionals.front() + "'");
    }

    const auto controller = Controller::connect(common.address, common.timeoutMs, io.err, common.path, common.messaging);
    if (!controller) {
        return kExitFailed;
    }
    const zoltc_logix_identity& identity = *zoltc_logix_get_identity(controller->client());
    io.out << fmt::format("Vendor:        {}\n", identity.vendor_id)
           << fmt::format("Device type:   {}\n", identity.device_type)
           << fmt::format("Product code:  {}\n", identity.product_code)
           << fmt::format("Revision:      {}.{}\n", identity.revision_major, identity.revision_minor)
           << fmt::format("Status:        0x{:04X}\n", identity.status)
           << fmt::format("Serial:        0x{:08X}\n", identity.serial_number)
           << fmt::format("Product name:  {}\n",
                          printable(identity.product_name != nullptr ? identity.product_name : ""))
           << fmt::format("Messaging:     {}, {}-byte packets\n", messagingName(controller->client()),
                          zoltc_logix_get_messaging(controller->client())->packet_size);
    return kExitOk;
}

} // namespace

const Command identityCommand{
    "identity",
    "show the controller's identity",
    "quillon-cli identity HOST[:PORT] [--timeout MS] [--path P] [--unconnected | --connected]",
    "Connects and prints the identity the controller reports: vendor, device type,\n"
    "product code, revision, status and serial number (both in hexadecimal) and the\n"
    "product name, then the messaging connect negotiated: connected with its packet\n"
    "size, or unconnected (504-byte packets). Every command opens a connection when\n"
    "the controller gives one; --unconnected sends unconnected messages only, and\n"
    "--connected fails when no connection can be opened.\n",
    runIdentity,
    false,
};

} // namespace cli
