#pragma once

// "quillon-cli tags --json", written as the records are listed: memory does not grow
// with the output. Each tag is one object; a structure's members are described once
// per type under "types", keyed by the type's name, whatever the number of its tags;
// array elements are written only when asked for.
//
//   {"tags": [{"kind": "tag", "name", "path", "type", "typeName", "dims",
//              and with elements "elements": [{"kind": "element", "name", "path",
//              "type", "typeName"}, ...]},
//             {"kind": "program", "name", "path", "type", "typeName", "dims": [],
//              "tags": [...] or null when its tags were not listed}, ...],
//    "types": {"<type name>": {"members": [{"name", "type", "typeName", "dims"}, ...]}}}
//
// Texts that are not UTF-8 have U+FFFD in place of their bad bytes.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "zoltc_logix.h"

namespace cli {

// Appends `text` as a JSON string, quotes included.
void appendJsonString(std::string& out, std::string_view text);

// The tags of a program, or nullopt when they are not listed (then "tags": null). The
// records stay valid until the next call.
using ProgramTags = std::function<std::optional<std::span<const zoltc_logix_tag_info>>(std::string_view program)>;

class TagJsonWriter {
public:
    // With `elements`, arrays carry their element rows (up to the tree's element row
    // limit; `onCut` is told of each longer array). A non-empty `filter` keeps the rows
    // the tree's filter keeps.
    TagJsonWriter(std::ostream& out, bool elements, std::string filter,
                  std::function<void(std::string_view path, std::uint64_t total)> onCut);

    // The records of one scope, in order: tags, and in the controller scope (empty
    // parent path) program rows with the tags `programTags` gives.
    void writeScope(std::span<const zoltc_logix_tag_info> records, std::string_view parentPath,
                    const ProgramTags& programTags);
    // A program row with the tags `programTags` gives (may be empty: not listed).
    void writeProgram(std::string_view name, const ProgramTags& programTags);
    // Ends the tag list, writes the types and flushes.
    void finish();

private:
    void writeTag(const zoltc_logix_tag_info& record, std::string_view name, std::string_view path);
    void writeElements(const zoltc_logix_tag_info& record, std::string_view path);
    void describeType(const zoltc_logix_tag_info& record);
    void separate();
    void flushIfFull();

    std::ostream& out;
    bool elements;
    std::string filter;
    std::function<void(std::string_view, std::uint64_t)> onCut;
    std::string buffer;
    bool first = true; // no row yet in the current list
    std::map<std::string, std::string, std::less<>> types; // name -> its members, as JSON
};

} // namespace cli
