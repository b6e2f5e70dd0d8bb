#include <limits>

#include "Command.hpp"
#include "Controller.hpp"
#include "Numbers.hpp"
#include "Route.hpp"
#include "UsageError.hpp"

namespace cli {

CommonOptions takeCommonOptions(Arguments& arguments) {
    if (arguments.positionals.empty()) {
        throw UsageError("missing controller address HOST[:PORT]");
    }
    CommonOptions options;
    options.address = parseAddress(arguments.positionals.front());
    arguments.positionals.erase(arguments.positionals.begin());

    options.timeoutMs = kDefaultTimeoutMs;
    if (const auto text = arguments.value(kTimeoutOption.name)) {
        const auto timeout = parseUnsigned(*text, std::numeric_limits<std::uint32_t>::max());
        if (!timeout || *timeout == 0) {
            throw UsageError("invalid --timeout '" + *text + "': expected milliseconds from 1 to 4294967295");
        }
        options.timeoutMs = static_cast<std::uint32_t>(*timeout);
    }
    if (const auto text = arguments.value(kPathOption.name)) {
        if (const std::string problem = routeProblem(*text); !problem.empty()) {
            throw UsageError("invalid --path '" + *text + "': " + problem);
        }
        options.path = *text;
    }
    if (arguments.has(kUnconnectedOption.name) && arguments.has(kConnectedOption.name)) {
        throw UsageError("--unconnected and --connected exclude each other");
    }
    if (arguments.has(kUnconnectedOption.name)) {
        options.messaging = ZOLTC_LOGIX_MESSAGING_UNCONNECTED;
    } else if (arguments.has(kConnectedOption.name)) {
        options.messaging = ZOLTC_LOGIX_MESSAGING_CONNECTED;
    }
    return options;
}

std::span<const Command> commands() {
    static const Command all[] = {identityCommand, tagsCommand, readCommand, watchCommand, discoverCommand};
    return all;
}

} // namespace cli
