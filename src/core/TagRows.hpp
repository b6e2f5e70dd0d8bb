#pragma once

// The rows of a controller's tags, as the tree shows them and quillon-cli prints them.
// A controller tag's path is its name, a program's tag "Program:<program>.<tag>", a
// member "<parent>.<member>" and an array element "<array>[i]" or "<array>[i,j]",
// whose record is the array's without its dimensions. A BOOL array's record carries
// 32-bit words (0xD3), counted by its dims as a controller lists them; its element rows
// are its bits, BOOL rows `Inputs[0]` ... `Inputs[32 * words - 1]`. An array's element rows run
// with the first index slowest and stop after maxElementRows: what is left out is
// counted, so that every caller can say so. The filter keeps a row when its name or
// path contains the text (A-Z folded to a-z) or a row below it does; it walks the
// records, so rows nobody built yet are found without building them.

#include "zoltc_logix.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The element rows one array gives at most: each row costs memory, and the product of
// three dimensions a controller reports can reach billions.
inline constexpr std::uint64_t maxElementRows = 100000;

// The start of a program scope's paths.
inline constexpr std::string_view programPrefix = "Program:";
// "Program:<name>".
std::string programPath(std::string_view programName);
// "<parent>.<name>", or the name alone in the controller scope (empty parent).
std::string memberPath(std::string_view parentPath, std::string_view name);

// Every element of the array, 0 when a dimension is 0 or the record is no array
// (saturates at the largest count).
std::uint64_t elementCount(const zoltc_logix_tag_info& array);
// The element rows an array gets, and those it does not.
std::uint64_t shownElementCount(const zoltc_logix_tag_info& array);
std::uint64_t omittedElementCount(const zoltc_logix_tag_info& array);
// The record of one element: the array's without its dimensions; BOOL for a BOOL array.
zoltc_logix_tag_info elementRecord(const zoltc_logix_tag_info& array);
// Whether the row of this record has rows below it (members, or elements).
bool hasChildRows(const zoltc_logix_tag_info& record);
// Whether the tree gives the row rows below it: as hasChildRows, except that a STRING is
// one row whose text can be watched, not its LEN and DATA[0..81].
bool hasTreeChildRows(const zoltc_logix_tag_info& record);

using ElementIndex = std::array<std::uint32_t, 3>;
// "[i]", "[i,j]" or "[i,j,k]" appended to `text`.
void appendElementName(std::string& text, const ElementIndex& index, unsigned dimensions);
// The next index, the first one running slowest.
void advanceElementIndex(ElementIndex& index, const zoltc_logix_tag_info& array, unsigned dimensions);

// Calls visit(name, path, record) for each row directly below a row of `record` at
// `path`, in order: its members, or an array's shown elements (with the element record).
// `path` is extended for each call and restored after it. Stops at the first visit that
// returns true, and then returns true.
template <class Visit>
bool anyChildRow(const zoltc_logix_tag_info& record, std::string& path, Visit&& visit) {
    const std::size_t mark = path.size();
    const unsigned dimensions = zoltc_logix_type_dimensions(record.type);
    if (dimensions == 0) {
        for (std::uint32_t i = 0; i < record.members.count; ++i) {
            const zoltc_logix_tag_info& member = record.members.items[i];
            const std::string_view name = member.name != nullptr ? member.name : "";
            if (mark > 0) {
                path += '.';
            }
            path += name;
            const bool stop = visit(name, std::string_view(path), member);
            path.resize(mark);
            if (stop) {
                return true;
            }
        }
        return false;
    }
    const zoltc_logix_tag_info element = elementRecord(record);
    const std::uint64_t total = shownElementCount(record);
    ElementIndex index{};
    for (std::uint64_t n = 0; n < total; ++n) {
        appendElementName(path, index, dimensions);
        const bool stop = visit(std::string_view(path).substr(mark), std::string_view(path), element);
        path.resize(mark);
        if (stop) {
            return true;
        }
        advanceElementIndex(index, record, dimensions);
    }
    return false;
}

// Whether `needle` occurs in `text`, comparing after folding only A-Z to a-z (other
// bytes, UTF-8 included, compare as they are). An empty needle is always found.
bool containsIgnoreCase(std::string_view text, std::string_view needle);
// Whether the row itself matches: its name or its path contains the needle.
bool rowMatches(std::string_view name, std::string_view path, std::string_view needle);
// Whether any row below a row of `record` at `path` matches, without building them.
bool anyRowBelowMatches(const zoltc_logix_tag_info& record, std::string_view path, std::string_view needle);
// Whether the filter keeps the row: it matches, or a row below it does.
bool filterKeeps(std::string_view name, std::string_view path, const zoltc_logix_tag_info& record,
                 std::string_view needle);
