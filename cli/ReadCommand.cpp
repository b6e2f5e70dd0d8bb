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
    static constexpr OptionSpec kOptions[] = {kTimeoutOption, kPathOption, {"--json", false}};
    Arguments arguments = parseArguments(words, kOptions);
    const CommonOptions common = takeCommonOptions(arguments);
    if (arguments.positionals.empty()) {
        throw UsageError("missing TAG: name at least one tag to read");
    }

    const auto controller = Controller::connect(common.address, common.timeoutMs, io.err, common.path);
    if (!controller) {
        return kExitFailed;
    }
    const auto plan = planReads(controller->client(), arguments.positionals, io.err);
    const auto values = readValues(controller->client(), plan);
    if (arguments.has("--json")) {
        writeValueJson(plan, values, io.out);
    } else {
        writeValueTable(plan, values, io.out);
    }
    const bool allRead = std::all_of(values.begin(), values.end(),
                                     [](const TagValue& value) { return value.result == ZOLTC_LOGIX_OK; });
    return allRead ? kExitOk : kExitFailed;
}

} // namespace

const Command readCommand{
    "read",
    "read tag values once",
    "quillon-cli read HOST[:PORT] TAG... [--json] [--timeout MS] [--path P]",
    "Reads each TAG (a tag path such as Counter, Tank.Level, Data[3], Grid[1,2] or\n"
    "Program:Main.Step) and prints its path, type name and value as the program's\n"
    "inspector shows them, or the reason it could not be read.\n"
    "\n"
    "How: the scopes the paths name are listed first (the controller scope, and each\n"
    "program written as Program:<name>.) to learn every tag's type. Atomic values\n"
    "(BOOL to LWORD) are read together in batches; each STRING with a string read of\n"
    "up to 95 characters. A structure other than STRING and a whole array have no\n"
    "single value and are refused (\"unsupported type\"): read their members or\n"
    "elements. A path the listing does not show is still read as an atomic value, so\n"
    "the controller decides (a tag that does not exist gives \"CIP status\").\n"
    "Control bytes in values are shown as \\xNN.\n"
    "\n"
    "Options:\n"
    "  --json   JSON: {\"tags\": [{\"path\", \"type\" (type word or null), \"typeName\"\n"
    "           (or null), \"ok\", and \"value\", or \"error\" and \"result\"}]}\n"
    "\n"
    "Exit status 1 when the controller or any tag failed.\n",
    runRead,
    false,
};

} // namespace cli
