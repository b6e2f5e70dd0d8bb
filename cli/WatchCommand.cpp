// quillon-cli watch: reads tags again and again and prints every change.

#include <algorithm>
#include <chrono>
#include <thread>

#include "Command.hpp"
#include "Controller.hpp"
#include "Logger.hpp"
#include "Numbers.hpp"
#include "Printable.hpp"
#include "TagReader.hpp"
#include "UsageError.hpp"
#include "ValueOutput.hpp"
#include "WatchList.hpp"

namespace cli {
namespace {

constexpr double kDefaultIntervalSeconds = 1.0;
constexpr double kMaxIntervalSeconds = 86400.0;
// How often a wait between readings looks at the stop flag.
constexpr auto kStopPollPeriod = std::chrono::milliseconds(20);

double parseInterval(const Arguments& arguments) {
    const auto text = arguments.value("--interval");
    if (!text) {
        return kDefaultIntervalSeconds;
    }
    const auto seconds = parseDecimal(*text);
    if (!seconds || *seconds <= 0 || *seconds > kMaxIntervalSeconds) {
        throw UsageError("invalid --interval '" + *text + "': expected seconds above 0, at most 86400");
    }
    return *seconds;
}

std::int64_t nowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool anyConnectionGone(const std::vector<TagValue>& values) {
    return std::any_of(values.begin(), values.end(),
                       [](const TagValue& value) { return isConnectionFailure(value.result); });
}

// Waits for the interval in short steps; false when a stop was asked for meanwhile.
bool waitInterval(double seconds, const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (!stop.load()) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            return true;
        }
        const Clock::duration step = kStopPollPeriod;
        std::this_thread::sleep_for(std::min(end - now, step));
    }
    return false;
}

// The paths of the --from file, then the TAGs named on the line.
std::vector<std::string> watchedPaths(const Arguments& arguments) {
    std::vector<std::string> paths;
    if (const auto file = arguments.value("--from")) {
        WatchListFile list = readWatchList(pathFromUtf8(*file));
        if (!list.error.empty()) {
            throw UsageError("invalid --from '" + *file + "': " + list.error);
        }
        paths = std::move(list.paths);
    }
    paths.insert(paths.end(), arguments.positionals.begin(), arguments.positionals.end());
    if (paths.empty()) {
        throw UsageError("missing TAG: name at least one tag to watch, or a --from file that lists one");
    }
    return paths;
}

int runWatch(std::span<const std::string> words, const CommandIo& io) {
    static constexpr OptionSpec kOptions[] = {kTimeoutOption,   kPathOption,          kUnconnectedOption,
                                              kConnectedOption, {"--interval", true}, {"--from", true}};
    Arguments arguments = parseArguments(words, kOptions);
    const CommonOptions common = takeCommonOptions(arguments);
    const double interval = parseInterval(arguments);
    const std::vector<std::string> plan = watchedPaths(arguments);

    const auto controller = Controller::connect(common.address, common.timeoutMs, io.err, common.path, common.messaging);
    if (!controller) {
        return kExitFailed;
    }
    TagReader reader(io.err);
    std::vector<TagValue> previous;
    while (!io.stop.load()) {
        auto values = reader.read(controller->client(), plan);
        if (anyConnectionGone(values)) {
            // Reopened once for the whole watch; a second loss ends it.
            if (!controller->reopen(io.err)) {
                return kExitFailed;
            }
            reader.forget();
            values = reader.read(controller->client(), plan);
        }
        if (io.stop.load()) {
            // Stopped while reading: end without another round of output.
            break;
        }
        const std::string stamp = formatLogTime(nowNanoseconds());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (previous.empty() || values[i] != previous[i]) {
                io.out << stamp << "  " << printable(plan[i]) << "  " << typeColumn(values[i]) << "  "
                       << valueColumn(values[i]) << "\n";
            }
        }
        io.out.flush();
        if (!io.out) {
            return kExitFailed; // nobody reads the output any more
        }
        if (anyConnectionGone(values)) {
            controller->reopen(io.err); // says the connection was lost again
            return kExitFailed;
        }
        previous = values;
        if (!waitInterval(interval, io.stop)) {
            break;
        }
    }
    // The controller's destructor unregisters the session.
    return kExitOk;
}

} // namespace

const Command watchCommand{
    "watch",
    "read tag values again and again and print the changes",
    "quillon-cli watch HOST[:PORT] [TAG...] [--from FILE] [--interval SECONDS] [--timeout MS] [--path P] [--unconnected | --connected]",
    "Reads the tags as \"read\" does (see quillon-cli read --help) every interval and\n"
    "prints a line for every value that changed, and for every value at the first\n"
    "reading: \"<local time>  <path>  <type name>  <value or error>\". A tag that\n"
    "starts or stops failing counts as a change.\n"
    "Ctrl+C (SIGINT) or SIGTERM ends it cleanly: the session is unregistered and the\n"
    "exit status is 0. A lost connection is reopened once, said on standard error;\n"
    "a second loss ends it with exit status 1.\n"
    "\n"
    "Options:\n"
    "  --interval SECONDS   time between readings, e.g. 0.5 (default 1)\n"
    "  --from FILE          also watch the paths of a watch list file, as the program\n"
    "                       saves it: one tag path per line, '#' starts a comment\n",
    runWatch,
    true,
};

} // namespace cli
