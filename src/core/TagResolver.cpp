#include "TagResolver.hpp"

#include "TagDisplay.hpp"
#include "TagList.hpp"
#include "TagRows.hpp"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace {

struct Component {
    std::string_view name;
    std::vector<std::uint32_t> indices;
};

// Digits only, up to 32 bits.
std::optional<std::uint32_t> parseIndex(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\n\v\f\r") - first + 1);
}

// "a[1, 2][3]" -> name "a", indices 1, 2, 3.
std::optional<Component> parseComponent(std::string_view text) {
    Component component;
    const auto bracket = text.find('[');
    component.name = text.substr(0, bracket);
    if (trim(component.name).empty()) {
        return std::nullopt;
    }
    std::string_view groups = bracket == std::string_view::npos ? std::string_view{} : text.substr(bracket);
    while (!groups.empty()) {
        const auto close = groups.find(']');
        if (groups.front() != '[' || close == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view list = groups.substr(1, close - 1);
        groups.remove_prefix(close + 1);
        while (true) {
            const auto comma = list.find(',');
            const auto index = parseIndex(trim(list.substr(0, comma)));
            if (!index) {
                return std::nullopt;
            }
            component.indices.push_back(*index);
            if (comma == std::string_view::npos) {
                break;
            }
            list.remove_prefix(comma + 1);
        }
    }
    return component;
}

// Splits at every "." outside brackets.
std::optional<std::vector<Component>> parseComponents(std::string_view text) {
    std::vector<Component> components;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '.';
        depth += c == '[' ? 1 : c == ']' ? -1 : 0;
        if (depth < 0) {
            return std::nullopt;
        }
        if (c == '.' && depth == 0) {
            auto component = parseComponent(text.substr(start, i - start));
            if (!component) {
                return std::nullopt;
            }
            components.push_back(std::move(*component));
            start = i + 1;
        }
    }
    if (depth != 0) {
        return std::nullopt;
    }
    return components;
}

const zoltc_logix_tag_info* findRecord(std::span<const zoltc_logix_tag_info> list, std::string_view name) {
    const zoltc_logix_tag_info* folded = nullptr;
    int foldedMatches = 0;
    for (const zoltc_logix_tag_info& record : list) {
        const std::string_view recordName = record.name != nullptr ? record.name : "";
        if (recordName == name) {
            return &record;
        }
        if (recordName.size() == name.size() && containsIgnoreCase(recordName, name)) {
            folded = &record;
            ++foldedMatches;
        }
    }
    return foldedMatches == 1 ? folded : nullptr;
}

} // namespace

std::optional<ScopedPath> splitScope(std::string_view path) {
    if (!path.starts_with(programPrefix)) {
        return ScopedPath{"", std::string(path)};
    }
    const auto dot = path.find('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    return ScopedPath{std::string(path.substr(programPrefix.size(), dot - programPrefix.size())),
                      std::string(path.substr(dot + 1))};
}

std::optional<ResolvedTag> resolveTagPath(std::span<const zoltc_logix_tag_info> scope, std::string_view rest) {
    const auto components = parseComponents(rest);
    if (!components || components->empty()) {
        return std::nullopt;
    }
    std::span<const zoltc_logix_tag_info> list = scope;
    zoltc_logix_tag_info current{};
    bool boolBit = false;
    for (const Component& component : *components) {
        boolBit = false;
        const zoltc_logix_tag_info* record = findRecord(list, component.name);
        if (record == nullptr || zoltc_logix_type_is_program(record->type)) {
            return std::nullopt;
        }
        current = *record;
        const bool last = &component == &components->back();
        if (component.indices.empty() && zoltc_logix_type_dimensions(current.type) != 0 && !last) {
            return std::nullopt; // a member of a whole array: no such path
        }
        if (!component.indices.empty()) {
            const std::uint8_t dimensions = zoltc_logix_type_dimensions(current.type);
            if (component.indices.size() != dimensions) {
                return std::nullopt;
            }
            // One dimension may count bits (a BOOL array) rather than its listed words.
            const bool inRange = dimensions == 1 ? component.indices[0] < elementCount(current)
                                                 : std::equal(component.indices.begin(), component.indices.end(),
                                                              current.dims, std::less<>());
            if (!inRange) {
                return std::nullopt;
            }
            const zoltc_logix_tag_info element = elementRecord(current);
            boolBit = element.type == ZOLTC_LOGIX_TYPE_BOOL && zoltc_logix_type_atomic_code(current.type) != ZOLTC_LOGIX_TYPE_BOOL;
            current = element;
        }
        list = {record->members.items, static_cast<std::size_t>(record->members.count)};
    }
    return ResolvedTag{current.type, zoltc_logix_tag_is_string(&current), std::string(tagTypeName(current)), boolBit};
}

std::vector<std::optional<ResolvedTag>> resolveOnController(zoltc_logix_client* client,
                                                            std::span<const zoltc_logix_tag_info> controllerScope,
                                                            const std::vector<std::string>& paths) {
    std::map<std::string, TagList> programs;
    std::vector<std::optional<ResolvedTag>> found;
    for (const std::string& path : paths) {
        const auto scoped = splitScope(path);
        if (!scoped) {
            found.emplace_back();
            continue;
        }
        std::span<const zoltc_logix_tag_info> scope = controllerScope;
        if (!scoped->program.empty()) {
            auto [program, added] = programs.try_emplace(scoped->program);
            if (added && program->second.browse(client, scoped->program) != ZOLTC_LOGIX_OK) {
                program->second.reset();
            }
            scope = program->second.records();
        }
        found.push_back(resolveTagPath(scope, scoped->rest));
    }
    return found;
}
