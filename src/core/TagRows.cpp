#include "TagRows.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool anyBelow(const zoltc_logix_tag_info& record, std::string& path, std::string_view needle) {
    return anyChildRow(record, path, [&](std::string_view name, std::string_view rowPath,
                                         const zoltc_logix_tag_info& child) {
        return rowMatches(name, rowPath, needle) || anyBelow(child, path, needle);
    });
}

// The bits of a BOOL array, whose record carries 32-bit words (code 0xD3) and counts
// them in dims[0]; 0 for any other record.
std::uint64_t boolArrayBits(const zoltc_logix_tag_info& record) {
    zoltc_logix_bool_element bit{};
    return zoltc_logix_bool_array_element(&record, 0, &bit) ? std::uint64_t{record.dims[0]} * 32 : 0;
}

} // namespace

std::string programPath(std::string_view programName) {
    std::string path(programPrefix);
    path += programName;
    return path;
}

std::string memberPath(std::string_view parentPath, std::string_view name) {
    std::string path;
    path.reserve(parentPath.size() + 1 + name.size());
    path.append(parentPath);
    if (!parentPath.empty()) {
        path += '.';
    }
    path.append(name);
    return path;
}

std::uint64_t elementCount(const zoltc_logix_tag_info& array) {
    const unsigned dimensions = zoltc_logix_type_dimensions(array.type);
    if (dimensions == 0) {
        return 0;
    }
    if (const std::uint64_t bits = boolArrayBits(array); bits > 0) {
        return bits;
    }
    std::uint64_t total = 1;
    for (unsigned d = 0; d < dimensions; ++d) {
        const std::uint64_t size = array.dims[d];
        if (size == 0) {
            return 0;
        }
        total = total > std::numeric_limits<std::uint64_t>::max() / size ? std::numeric_limits<std::uint64_t>::max()
                                                                          : total * size;
    }
    return total;
}

std::uint64_t shownElementCount(const zoltc_logix_tag_info& array) {
    return std::min(elementCount(array), maxElementRows);
}

std::uint64_t omittedElementCount(const zoltc_logix_tag_info& array) {
    return elementCount(array) - shownElementCount(array);
}

zoltc_logix_tag_info elementRecord(const zoltc_logix_tag_info& array) {
    zoltc_logix_tag_info element = array;
    zoltc_logix_bool_element bit{};
    // A BOOL array's record carries its 32-bit words' code; its elements are bits.
    element.type = zoltc_logix_bool_array_element(&array, 0, &bit)
                       ? static_cast<std::uint16_t>(ZOLTC_LOGIX_TYPE_BOOL)
                       : static_cast<std::uint16_t>(array.type & ~ZOLTC_LOGIX_TYPE_DIMS_MASK);
    element.dims[0] = element.dims[1] = element.dims[2] = 0;
    return element;
}

bool hasChildRows(const zoltc_logix_tag_info& record) {
    return zoltc_logix_type_dimensions(record.type) == 0 ? record.members.count > 0 : elementCount(record) > 0;
}

bool hasTreeChildRows(const zoltc_logix_tag_info& record) {
    // An array of STRINGs keeps its element rows.
    const bool string = zoltc_logix_tag_is_string(&record) && zoltc_logix_type_dimensions(record.type) == 0;
    return !string && hasChildRows(record);
}

void appendElementName(std::string& text, const ElementIndex& index, unsigned dimensions) {
    text += '[';
    for (unsigned d = 0; d < dimensions; ++d) {
        if (d > 0) {
            text += ',';
        }
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, index[d]);
        text.append(digits, written.ptr);
    }
    text += ']';
}

void advanceElementIndex(ElementIndex& index, const zoltc_logix_tag_info& array, unsigned dimensions) {
    const std::uint64_t bits = boolArrayBits(array);
    for (unsigned d = dimensions; d-- > 0;) {
        if (++index[d] < (bits > 0 ? bits : array.dims[d])) {
            return;
        }
        index[d] = 0;
    }
}

bool containsIgnoreCase(std::string_view text, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    if (needle.size() > text.size()) {
        return false;
    }
    const auto same = [](char a, char b) { return foldAscii(a) == foldAscii(b); };
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(), same) != text.end();
}

bool rowMatches(std::string_view name, std::string_view path, std::string_view needle) {
    return containsIgnoreCase(name, needle) || containsIgnoreCase(path, needle);
}

bool anyRowBelowMatches(const zoltc_logix_tag_info& record, std::string_view path, std::string_view needle) {
    std::string scratch(path);
    return anyBelow(record, scratch, needle);
}

bool filterKeeps(std::string_view name, std::string_view path, const zoltc_logix_tag_info& record,
                 std::string_view needle) {
    return rowMatches(name, path, needle) || anyRowBelowMatches(record, path, needle);
}
