// quillon-cli read: reads tags once and prints their values.

#include <algorithm>

#include "Command.hpp"
#include "Controller.hpp"
#include "TagReader.hpp"
#include "UsageError.hpp"
#include "ValueOutput.hpp"

namespace cli {
namespace {

int runRead(std::span<const std::string> words, const CommandIo& io) {
    static constexpr OptionSpec kOptions[] = {kTimeoutOption, kPathOption, kUnconnectedOption, kConnectedOption, {"--json", false}};
    Arguments arguments = parseArguments(words, kOptions);
    const CommonOptions common = takeCommonOptions(arguments);
    if (arguments.positionals.empty()) {
        throw UsageError("missing TAG: name at least one tag to read");
    }

    const auto controller = Controller::connect(common.address, common.timeoutMs, io.err, common.path, common.messaging);
    if (!controller) {
        return kExitFailed;
    }
    const std::vector<std::string>& paths = arguments.positionals;
    TagReader reader(io.err);
    auto values = reader.read(controller->client(), paths);
    const auto connectionLost = [](const TagValue& value) { return isConnectionFailure(value.result); };
    if (std::any_of(values.begin(), values.end(), connectionLost) && controller->reopen(io.err)) {
        reader.forget();
        values = reader.read(controller->client(), paths);
    }
    if (arguments.has("--json")) {
        writeValueJson(paths, values, io.out);
    } else {
        writeValueTable(paths, values, io.out);
    }
    const bool allRead = std::all_of(values.begin(), values.end(),
                                     [](const TagValue& value) { return value.result == ZOLTC_LOGIX_OK; });
    return allRead ? kExitOk : kExitFailed;
}

} // namespace

const Command readCommand{
    "read",
    "read tag values once",
    "quillon-cli read HOST[:PORT] TAG... [--json] [--timeout MS] [--path P] [--unconnected | --connected]",
    "Reads each TAG (a tag path such as Counter, Tank.Level, Data[3], Grid[1,2] or\n"
    "Program:Main.Step) and prints its path, type name and value as the program's\n"
    "inspector shows them, or the reason it could not be read.\n"
    "\n"
    "How: the paths are read directly, together in batches, and the controller's\n"
    "replies give their types. Only a path that answers with a structure has its\n"
    "scope listed (the controller scope, or the program written as\n"
    "Program:<name>.) to tell a STRING, read as text of up to 95 characters, from\n"
    "another structure, which has no single value and is refused (\"unsupported\n"
    "type\"): read its members. A BOOL array's index is a bit: Inputs[37] is bit 37.\n"
    "A whole array reads as its first element, as the controller serves it, except\n"
    "a whole BOOL array, which is refused.\n"
    "A refusal by the controller is named in words with its CIP status, e.g.\n"
    "\"tag not found (CIP 0x04)\" or \"index out of range (CIP 0xFF/0x2105)\"; other\n"
    "failures by name and result code, e.g. \"timeout (result 4)\". A lost connection\n"
    "is reopened once and the reading done again, as said on standard error.\n"
    "Control bytes in values are shown as \\xNN.\n"
    "\n"
    "Options:\n"
    "  --json   JSON: {\"tags\": [{\"path\", \"type\" (type word or null), \"typeName\"\n"
    "           (or null), \"ok\", and \"value\", or \"error\" (text), \"result\" and\n"
    "           for a refusal \"generalStatus\" and \"extendedStatus\"}]}\n"
    "\n"
    "Exit status 1 when the controller or any tag failed.\n",
    runRead,
    false,
};

} // namespace cli
