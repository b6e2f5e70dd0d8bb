#include "Csv.hpp"
#include "TagFormats.hpp"
#include "TagRows.hpp"

namespace cli {

void writeTagCsv(const RowSource& rows, std::ostream& out) {
    out << "path,typeName,type\n";
    // A leaf holds one value as the program shows it: a row without members or elements,
    // or a STRING scalar (read as one text, so the rows below it are not listed).
    // Programs are scopes, not values.
    int stringDepth = -1; // the depth of the STRING scalar whose rows are skipped
    rows([&](const TagRow& row) {
        if (stringDepth >= 0 && row.depth > stringDepth) {
            return;
        }
        stringDepth = -1;
        if (row.record == nullptr) {
            return;
        }
        const bool stringScalar =
            zoltc_logix_tag_is_string(row.record) && zoltc_logix_type_dimensions(row.record->type) == 0;
        if (stringScalar) {
            stringDepth = row.depth;
        }
        if (stringScalar || !hasChildRows(*row.record)) {
            out << csvField(row.path) << ',' << csvField(rowTypeName(row)) << ',' << row.record->type << "\n";
        }
    });
}

} // namespace cli
