#include "TagReader.hpp"

#include <map>

#include "Controller.hpp"
#include "Printable.hpp"
#include "TagList.hpp"
#include "TagResolver.hpp"

namespace cli {

std::vector<PlannedRead> planReads(zoltc_logix_client* client, const std::vector<std::string>& paths,
                                   std::ostream& err) {
    std::map<std::string, TagList> scopes; // by program name; "" is the controller
    std::map<std::string, bool> listed;
    std::vector<PlannedRead> plan;
    for (const std::string& path : paths) {
        const auto scoped = splitScope(path);
        std::optional<ResolvedTag> tag;
        if (scoped) {
            if (!listed.contains(scoped->program)) {
                const zoltc_logix_result result = scopes[scoped->program].browse(client, scoped->program);
                listed[scoped->program] = result == ZOLTC_LOGIX_OK;
                if (result != ZOLTC_LOGIX_OK) {
                    err << "quillon-cli: cannot list the tags of "
                        << (scoped->program.empty() ? "the controller" : "program " + printable(scoped->program))
                        << ": " << describeResult(result) << "; reading without knowing the types\n";
                }
            }
            if (listed[scoped->program]) {
                tag = resolveTagPath(scopes[scoped->program].records(), scoped->rest);
            }
        }
        if (tag) {
            plan.push_back(planRead(path, tag->type, tag->isString, tag->typeName));
        } else {
            PlannedRead unresolved;
            unresolved.path = path;
            plan.push_back(std::move(unresolved));
        }
    }
    return plan;
}

} // namespace cli
