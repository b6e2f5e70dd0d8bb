#include <algorithm>

#include "Printable.hpp"
#include "TagFormats.hpp"

namespace cli {

void writeTagList(const RowSource& rows, std::ostream& out) {
    // The widest path first, so that rows are written as they are walked.
    std::size_t width = 0;
    rows([&](const TagRow& row) { width = std::max(width, printable(row.path).size()); });
    rows([&](const TagRow& row) {
        const std::string path = printable(row.path);
        out << path << std::string(width - path.size() + 2, ' ') << rowTypeName(row) << "\n";
    });
}

} // namespace cli
