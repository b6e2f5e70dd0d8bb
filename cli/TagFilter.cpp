#include "TagFilter.hpp"

#include <algorithm>

#include "TagNode.hpp"

namespace cli {
namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool containsIgnoreCase(std::string_view text, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    if (needle.size() > text.size()) {
        return false;
    }
    const auto equalFolded = [](char a, char b) { return foldAscii(a) == foldAscii(b); };
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(), equalFolded) != text.end();
}

bool applyFilter(TagNode& node, const std::string& text) {
    bool anyChild = false;
    for (TagNode& child : node.children) {
        // Every child gets its own visibility, so no short-circuit here.
        anyChild = applyFilter(child, text) || anyChild;
    }
    if (node.kind == NodeKind::Program) {
        node.visible = text.empty() || anyChild;
    } else {
        node.visible = containsIgnoreCase(node.name, text) || containsIgnoreCase(node.path, text) || anyChild;
    }
    return node.visible;
}

} // namespace cli
