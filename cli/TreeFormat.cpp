#include "Printable.hpp"
#include "TagFormats.hpp"

namespace cli {

void writeTagTree(const std::vector<TagNode>& rows, std::ostream& out) {
    visitVisibleRows(rows, [&](const TagNode& row, int depth) {
        out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << printable(row.name) << "  " << row.typeName
            << "\n";
    });
}

} // namespace cli
