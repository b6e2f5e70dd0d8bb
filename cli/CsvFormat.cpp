#include "Csv.hpp"
#include "TagFormats.hpp"

namespace cli {
namespace {

// A leaf holds one value as the program shows it: a row without members or elements,
// or a STRING scalar (read as one text, so its LEN and DATA rows are not listed).
// Programs are scopes, not values.
void writeLeaves(const std::vector<TagNode>& rows, std::ostream& out) {
    for (const TagNode& row : rows) {
        if (!row.visible) {
            continue;
        }
        const bool stringScalar = row.isString && row.dims.empty();
        if (row.kind != NodeKind::Program && (row.children.empty() || stringScalar)) {
            out << csvField(row.path) << ',' << csvField(row.typeName) << ',' << row.type << "\n";
        } else {
            writeLeaves(row.children, out);
        }
    }
}

} // namespace

void writeTagCsv(const std::vector<TagNode>& rows, std::ostream& out) {
    out << "path,typeName,type\n";
    writeLeaves(rows, out);
}

} // namespace cli
