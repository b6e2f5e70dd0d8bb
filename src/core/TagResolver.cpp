#include "TagResolver.hpp"

#include "Numbers.hpp"
#include "TagDisplay.hpp"
#include "TagRows.hpp"

namespace cli {
namespace {

struct Component {
    std::string_view name;
    std::vector<std::uint32_t> indices;
};

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
            const auto index = parseUnsigned(trim(list.substr(0, comma)), 0xFFFFFFFFu);
            if (!index) {
                return std::nullopt;
            }
            component.indices.push_back(static_cast<std::uint32_t>(*index));
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
    for (const Component& component : *components) {
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
            for (std::size_t k = 0; k < dimensions; ++k) {
                if (component.indices[k] >= current.dims[k]) {
                    return std::nullopt;
                }
            }
            current = elementRecord(current);
        }
        list = {record->members.items, static_cast<std::size_t>(record->members.count)};
    }
    return ResolvedTag{current.type, zoltc_logix_tag_is_string(&current), std::string(tagTypeName(current))};
}

} // namespace cli
