// quillon-cli tags: the controller's tags, structures expanded, in four formats.

#include <optional>

#include "Command.hpp"
#include "Controller.hpp"
#include "Printable.hpp"
#include "TagFormats.hpp"
#include "TagJson.hpp"
#include "TagList.hpp"
#include "TagRows.hpp"
#include "UsageError.hpp"

namespace cli {
namespace {

enum class Format { List, Tree, Json, Csv };

struct TagsOptions {
    CommonOptions common;
    std::optional<std::string> program;
    bool allPrograms = false;
    bool elements = false;
    Format format = Format::List;
    std::optional<std::string> filter;
};

TagsOptions parseTagsOptions(std::span<const std::string> words) {
    static constexpr OptionSpec kOptions[] = {
        kTimeoutOption, kPathOption, kUnconnectedOption, kConnectedOption, {"--program", true}, {"--all-programs", false}, {"--tree", false},
        {"--json", false}, {"--csv", false},  {"--filter", true}, {"--elements", false},
    };
    Arguments arguments = parseArguments(words, kOptions);
    TagsOptions options;
    options.common = takeCommonOptions(arguments);
    if (!arguments.positionals.empty()) {
        throw UsageError("unexpected argument '" + arguments.positionals.front() + "'");
    }
    options.program = arguments.value("--program");
    options.allPrograms = arguments.has("--all-programs");
    if (options.program && options.allPrograms) {
        throw UsageError("--program and --all-programs cannot be combined");
    }
    if (options.program && options.program->empty()) {
        throw UsageError("--program needs a program name");
    }
    const int formats = int(arguments.has("--tree")) + int(arguments.has("--json")) + int(arguments.has("--csv"));
    if (formats > 1) {
        throw UsageError("choose one of --tree, --json and --csv");
    }
    options.format = arguments.has("--tree") ? Format::Tree
                     : arguments.has("--json") ? Format::Json
                     : arguments.has("--csv")  ? Format::Csv
                                               : Format::List;
    options.filter = arguments.value("--filter");
    options.elements = arguments.has("--elements");
    if (options.elements && options.format != Format::Json) {
        throw UsageError("--elements goes with --json (the other formats always list elements)");
    }
    return options;
}

// The browse results the rows point into.
using Lists = std::vector<TagList>;

// Lists one scope; a lost connection is reopened once and the listing done again.
zoltc_logix_result browse(Controller& controller, TagList& list, const std::string& program, std::ostream& err) {
    zoltc_logix_result result = list.browse(controller.client(), program);
    if ((result == ZOLTC_LOGIX_ERR_CONNECTION_LOST || result == ZOLTC_LOGIX_ERR_NOT_CONNECTED) &&
        controller.reopen(err)) {
        result = list.browse(controller.client(), program);
    }
    return result;
}

// Lists a program's tags into `scopes`; false (with a message) when the browse fails,
// leaving the program without tags as the program's tree does.
bool listProgram(Controller& controller, const std::string& name, Lists& lists, TagScopes& scopes,
                 std::ostream& err) {
    TagList& list = lists.emplace_back();
    const zoltc_logix_result result = browse(controller, list, name, err);
    if (result != ZOLTC_LOGIX_OK) {
        err << "quillon-cli: cannot list the tags of program " << printable(name) << ": "
            << controller.explain(result) << "\n";
        return false;
    }
    scopes.programs[name] = list.records();
    return true;
}

// The rows stop where the tree's do; say so rather than leave elements out unseen.
void reportCut(std::ostream& err, std::string_view path, std::uint64_t total) {
    err << "quillon-cli: " << printable(path) << " has " << total << " elements; only the first " << maxElementRows
        << " are listed\n";
}

// JSON is written while the scopes are listed, one program's list alive at a time.
int writeJson(Controller& controller, const TagsOptions& options, const CommandIo& io) {
    bool complete = true;
    TagList programList;
    const auto listProgram = [&](std::string_view name) -> std::optional<std::span<const zoltc_logix_tag_info>> {
        const zoltc_logix_result result = browse(controller, programList, std::string(name), io.err);
        if (result != ZOLTC_LOGIX_OK) {
            io.err << "quillon-cli: cannot list the tags of program " << printable(name) << ": "
                   << controller.explain(result) << "\n";
            complete = false;
            return std::nullopt;
        }
        return programList.records();
    };
    TagJsonWriter writer(io.out, options.elements, options.filter.value_or(""),
                         [&](std::string_view path, std::uint64_t total) {
                             reportCut(io.err, path, total);
                             complete = false;
                         });
    if (options.program) {
        // Listed before anything is written, so that a failure prints nothing.
        const auto records = listProgram(*options.program);
        if (!records) {
            return kExitFailed;
        }
        writer.writeProgram(*options.program, [&](std::string_view) { return records; });
    } else {
        TagList list;
        const zoltc_logix_result result = browse(controller, list, "", io.err);
        if (result != ZOLTC_LOGIX_OK) {
            io.err << "quillon-cli: cannot list the controller's tags: " << controller.explain(result) << "\n";
            return kExitFailed;
        }
        const ProgramTags programTags = [&](std::string_view name) -> std::optional<std::span<const zoltc_logix_tag_info>> {
            if (!options.allPrograms) {
                return std::nullopt;
            }
            return listProgram(name);
        };
        writer.writeScope(list.records(), "", programTags);
    }
    writer.finish();
    return complete ? kExitOk : kExitFailed;
}

int runTags(std::span<const std::string> words, const CommandIo& io) {
    const TagsOptions options = parseTagsOptions(words);
    const auto controller = Controller::connect(options.common.address, options.common.timeoutMs, io.err, options.common.path, options.common.messaging);
    if (!controller) {
        return kExitFailed;
    }
    if (options.format == Format::Json) {
        return writeJson(*controller, options, io);
    }

    // The browse results stay (the rows are walked from them as they are written); the
    // rows themselves are never held, so memory does not grow with them.
    Lists lists;
    TagScopes scopes;
    bool complete = true;
    if (options.program) {
        scopes.onlyProgram = *options.program;
        if (!listProgram(*controller, *options.program, lists, scopes, io.err)) {
            return kExitFailed;
        }
    } else {
        TagList& list = lists.emplace_back();
        const zoltc_logix_result result = browse(*controller, list, "", io.err);
        if (result != ZOLTC_LOGIX_OK) {
            io.err << "quillon-cli: cannot list the controller's tags: " << controller->explain(result) << "\n";
            return kExitFailed;
        }
        scopes.controller = list.records();
        for (const zoltc_logix_tag_info& record : scopes.controller) {
            if (options.allPrograms && zoltc_logix_type_is_program(record.type)) {
                complete = listProgram(*controller, record.name != nullptr ? record.name : "", lists, scopes, io.err) &&
                           complete;
            }
        }
    }

    // Cut arrays are named once, after the rows, however often a format walks them.
    std::vector<std::pair<std::string, std::uint64_t>> cuts;
    bool firstWalk = true;
    const RowSource rows = [&](const RowVisitor& visit) {
        const CutVisitor noteCut = [&](std::string_view path, std::uint64_t total) { cuts.emplace_back(path, total); };
        walkTagRows(scopes, options.filter.value_or(""), visit, firstWalk ? noteCut : CutVisitor());
        firstWalk = false;
    };
    switch (options.format) {
    case Format::List:
        writeTagList(rows, io.out);
        break;
    case Format::Tree:
        writeTagTree(rows, io.out);
        break;
    case Format::Json: // written while listing, by writeJson
        break;
    case Format::Csv:
        writeTagCsv(rows, io.out);
        break;
    }
    for (const auto& [path, total] : cuts) {
        reportCut(io.err, path, total);
        complete = false;
    }
    return complete ? kExitOk : kExitFailed;
}

} // namespace

const Command tagsCommand{
    "tags",
    "list the controller's tags",
    "quillon-cli tags HOST[:PORT] [--program NAME | --all-programs]\n"
    "                 [--tree | --json [--elements] | --csv] [--filter TEXT] [--timeout MS] [--path P] [--unconnected | --connected]",
    "Lists the controller-scope tags, every structure expanded into its members and\n"
    "every array into its elements, as the program's tag tree shows them. Programs\n"
    "are listed by name; their own tags only with --all-programs or --program.\n"
    "\n"
    "Paths: a controller tag's path is its name, a program's tag is\n"
    "Program:<program>.<tag>, a member <parent>.<member>, an array element\n"
    "<array>[i] or <array>[i,j] (typed as one element of the array).\n"
    "\n"
    "Options:\n"
    "  --program NAME   list only the tags of the program NAME (without \"Program:\")\n"
    "  --all-programs   list every program's tags as well\n"
    "  --tree           an indented tree: \"<name>  <type>\", two spaces per level\n"
    "  --json           JSON, written while the tags are listed: {\"tags\": [row, ...],\n"
    "                   \"types\": {name: {\"members\": [...]}}}; each row has kind\n"
    "                   (\"tag\" or \"program\"), name, path, type (the 16-bit type\n"
    "                   word), typeName, dims (one number per array dimension), and\n"
    "                   for a program tags (rows, or null when its tags were not\n"
    "                   listed). A structure's members (name, type, typeName, dims)\n"
    "                   are described once per type under types. Texts that are not\n"
    "                   UTF-8 have U+FFFD in place of their bad bytes.\n"
    "  --elements       with --json: each array row carries elements (rows of kind\n"
    "                   \"element\": name, path, type, typeName)\n"
    "  --csv            CSV with the header path,typeName,type and one row per leaf\n"
    "                   path: rows without members or elements, and STRINGs (read as\n"
    "                   one text); quoted by RFC 4180\n"
    "  --filter TEXT    only rows whose name or path contains TEXT, ignoring the case\n"
    "                   of A to Z, and the rows above them; a program shows when one\n"
    "                   of its tags does\n"
    "Without a format option, one line per row: the path and the type name.\n"
    "Type names: BOOL to LWORD for atomic types, ARRAY for arrays, STRING, the\n"
    "structure's own name, STRUCT for a structure without one, PROGRAM for programs.\n"
    "\n"
    "An array lists at most its first 100000 elements, as the program's tree does;\n"
    "a longer one is named on standard error.\n"
    "\n"
    "Exit status 1 when the controller or a program's list failed, or an array has\n"
    "more elements than are listed (the other rows are still printed).\n",
    runTags,
    false,
};

} // namespace cli
