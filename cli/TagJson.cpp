#include "TagJson.hpp"

#include <algorithm>
#include <charconv>

#include "TagDisplay.hpp"
#include "TagRows.hpp"

namespace cli {
namespace {

constexpr std::size_t kFlushSize = 1 << 16;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when it is not one.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void appendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

void appendDims(std::string& out, const zoltc_logix_tag_info& record) {
    out += "\"dims\":[";
    const unsigned dimensions = zoltc_logix_type_dimensions(record.type);
    for (unsigned d = 0; d < dimensions; ++d) {
        if (d > 0) {
            out += ',';
        }
        appendNumber(out, record.dims[d]);
    }
    out += ']';
}

// "name", "path" (when given), "type", "typeName" of a row, without braces.
void appendRowKeys(std::string& out, std::string_view kind, std::string_view name, std::string_view path,
                   std::uint16_t type, std::string_view typeName) {
    if (!kind.empty()) {
        out += "\"kind\":\"";
        out += kind;
        out += "\",";
    }
    out += "\"name\":";
    appendJsonString(out, name);
    if (!path.empty()) {
        out += ",\"path\":";
        appendJsonString(out, path);
    }
    out += ",\"type\":";
    appendNumber(out, type);
    out += ",\"typeName\":";
    appendJsonString(out, typeName);
}

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        std::size_t used = 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((used = utf8Length(text)) > 0) {
            out.append(text.substr(0, used));
        } else {
            used = 1;
            out += kReplacement;
        }
        text.remove_prefix(used);
    }
    out += '"';
}

TagJsonWriter::TagJsonWriter(std::ostream& stream, bool withElements, std::string filterText,
                             std::function<void(std::string_view, std::uint64_t)> cut)
    : out(stream), elements(withElements), filter(std::move(filterText)), onCut(std::move(cut)) {
    buffer = "{\"tags\":[";
}

void TagJsonWriter::separate() {
    if (!first) {
        buffer += ',';
    }
    first = false;
}

void TagJsonWriter::flushIfFull() {
    if (buffer.size() >= kFlushSize) {
        out << buffer;
        buffer.clear();
    }
}

void TagJsonWriter::writeScope(std::span<const zoltc_logix_tag_info> records, std::string_view parentPath,
                               const ProgramTags& programTags) {
    for (const zoltc_logix_tag_info& record : records) {
        const std::string_view name = record.name != nullptr ? record.name : "";
        if (parentPath.empty() && zoltc_logix_type_is_program(record.type)) {
            writeProgram(name, programTags);
            continue;
        }
        const std::string path = memberPath(parentPath, name);
        if (filter.empty() || filterKeeps(name, path, record, filter)) {
            writeTag(record, name, path);
        }
    }
}

void TagJsonWriter::writeProgram(std::string_view name, const ProgramTags& programTags) {
    const auto records = programTags ? programTags(name) : std::nullopt;
    const std::string path = programPath(name);
    if (!filter.empty()) {
        // A program shows when one of its tags does.
        const bool shown = records && std::any_of(records->begin(), records->end(), [&](const zoltc_logix_tag_info& tag) {
            const std::string_view tagName = tag.name != nullptr ? tag.name : "";
            return filterKeeps(tagName, memberPath(path, tagName), tag, filter);
        });
        if (!shown) {
            return;
        }
    }
    separate();
    buffer += '{';
    appendRowKeys(buffer, "program", name, path, ZOLTC_LOGIX_TYPE_PROGRAM, "PROGRAM");
    buffer += ",\"dims\":[],\"tags\":";
    if (!records) {
        buffer += "null}";
        return;
    }
    buffer += '[';
    first = true;
    writeScope(*records, path, programTags);
    first = false;
    buffer += "]}";
}

void TagJsonWriter::writeTag(const zoltc_logix_tag_info& record, std::string_view name, std::string_view path) {
    separate();
    buffer += '{';
    appendRowKeys(buffer, "tag", name, path, record.type, tagTypeName(record));
    buffer += ',';
    appendDims(buffer, record);
    if (elements && zoltc_logix_type_dimensions(record.type) != 0) {
        writeElements(record, path);
    }
    buffer += '}';
    describeType(record);
    flushIfFull();
}

void TagJsonWriter::writeElements(const zoltc_logix_tag_info& record, std::string_view path) {
    buffer += ",\"elements\":[";
    bool firstElement = true;
    std::string scratch(path);
    anyChildRow(record, scratch, [&](std::string_view name, std::string_view rowPath, const zoltc_logix_tag_info& element) {
        if (filter.empty() || filterKeeps(name, rowPath, element, filter)) {
            buffer += firstElement ? "{" : ",{";
            firstElement = false;
            appendRowKeys(buffer, "element", name, rowPath, element.type, tagTypeName(element));
            buffer += '}';
            flushIfFull();
        }
        return false;
    });
    buffer += ']';
    if (omittedElementCount(record) > 0 && onCut) {
        onCut(path, elementCount(record));
    }
}

void TagJsonWriter::describeType(const zoltc_logix_tag_info& record) {
    if (record.members.count == 0) {
        return;
    }
    const std::string_view name = tagTypeName(elementRecord(record));
    if (types.contains(name)) {
        return;
    }
    std::string& members = types[std::string(name)];
    members = "{\"members\":[";
    for (std::uint32_t i = 0; i < record.members.count; ++i) {
        const zoltc_logix_tag_info& member = record.members.items[i];
        members += i == 0 ? "{" : ",{";
        appendRowKeys(members, {}, member.name != nullptr ? member.name : "", {}, member.type, tagTypeName(member));
        members += ',';
        appendDims(members, member);
        members += '}';
    }
    members += "]}";
    for (std::uint32_t i = 0; i < record.members.count; ++i) {
        describeType(record.members.items[i]);
    }
}

void TagJsonWriter::finish() {
    buffer += "],\"types\":{";
    bool firstType = true;
    for (const auto& [name, members] : types) {
        if (!firstType) {
            buffer += ',';
        }
        firstType = false;
        appendJsonString(buffer, name);
        buffer += ':';
        buffer += members;
        flushIfFull();
    }
    buffer += "}}\n";
    out << buffer;
    buffer.clear();
    out.flush();
}

} // namespace cli
