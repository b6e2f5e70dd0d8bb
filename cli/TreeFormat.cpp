#include "Printable.hpp"
#include "TagFormats.hpp"

namespace cli {

void writeTagTree(const RowSource& rows, std::ostream& out) {
    rows([&](const TagRow& row) {
        out << std::string(static_cast<std::size_t>(row.depth) * 2, ' ') << printable(row.name) << "  "
            << rowTypeName(row) << "\n";
    });
}

} // namespace cli
