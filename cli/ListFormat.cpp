#include <algorithm>

#include "Printable.hpp"
#include "TagFormats.hpp"

namespace cli {

void writeTagList(const std::vector<TagNode>& rows, std::ostream& out) {
    std::vector<std::pair<std::string, const TagNode*>> lines;
    std::size_t width = 0;
    visitVisibleRows(rows, [&](const TagNode& row, int) {
        lines.emplace_back(printable(row.path), &row);
        width = std::max(width, lines.back().first.size());
    });
    for (const auto& [path, row] : lines) {
        out << path << std::string(width - path.size() + 2, ' ') << row->typeName << "\n";
    }
}

} // namespace cli
