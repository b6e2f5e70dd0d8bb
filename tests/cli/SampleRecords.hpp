#pragma once

// What the sample controller file declares, worked out from the file itself: the path
// and type name of every record the tag list must show.

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace clitest {

struct SampleRecords {
    // Path -> type name of every tag, member and array element of the controller scope
    // and, with `withPrograms`, of every program's scope.
    std::map<std::string, std::string> paths;
    // STRINGs: listed themselves, but the rows below them follow the controller's own
    // layout (LEN and DATA), which the file does not say.
    std::set<std::string> opaque;

    static SampleRecords load(bool withPrograms) {
        SampleRecords sample;
        std::ifstream in(QUILLON_SAMPLE_JSON);
        const auto file = nlohmann::json::parse(in);
        for (const auto& type : file.at("types")) {
            sample.types[type.at("name")] = type.at("members");
        }
        for (const auto& tag : file.at("tags")) {
            if (tag.contains("typeWord") || tag.contains("system") || tag.at("name") == "__CONTAINER") {
                continue;
            }
            sample.addTag("", tag);
        }
        for (const auto& program : file.at("programs")) {
            const std::string scope = "Program:" + program.at("name").get<std::string>();
            sample.paths[scope] = "PROGRAM";
            if (withPrograms) {
                for (const auto& tag : program.at("tags")) {
                    sample.addTag(scope, tag);
                }
            }
        }
        return sample;
    }

    // True when the path lies below a STRING.
    bool belowOpaque(const std::string& path) const {
        for (const std::string& record : opaque) {
            if (path.size() > record.size() && path.compare(0, record.size(), record) == 0 &&
                (path[record.size()] == '.' || path[record.size()] == '[')) {
                return true;
            }
        }
        return false;
    }

private:
    void addTag(const std::string& scope, const nlohmann::json& tag) {
        std::vector<int> dims;
        if (tag.contains("dims")) {
            dims = tag.at("dims").get<std::vector<int>>();
        }
        addRecord(scope, tag.at("name"), tag.at("type"), dims);
    }

    void addRecord(const std::string& parent, const std::string& name, const std::string& type,
                   const std::vector<int>& dims) {
        const std::string path = parent.empty() ? name : parent + "." + name;
        if (dims.empty()) {
            addScalar(path, type);
            return;
        }
        paths[path] = "ARRAY";
        std::vector<int> index(dims.size(), 0);
        while (true) {
            std::string element = path + "[";
            for (std::size_t k = 0; k < index.size(); ++k) {
                element += (k == 0 ? "" : ",") + std::to_string(index[k]);
            }
            addScalar(element + "]", type);
            std::size_t k = index.size();
            while (k > 0 && ++index[k - 1] == dims[k - 1]) {
                index[--k] = 0;
            }
            if (k == 0) {
                return;
            }
        }
    }

    void addScalar(const std::string& path, const std::string& type) {
        paths[path] = type;
        if (type == "STRING") {
            opaque.insert(path);
        }
        const auto members = types.find(type);
        if (members == types.end()) {
            return;
        }
        for (const auto& member : members->second) {
            std::vector<int> dims;
            if (member.contains("dim")) {
                dims.push_back(member.at("dim").get<int>());
            }
            addRecord(path, member.at("name"), member.at("type"), dims);
        }
    }

    std::map<std::string, nlohmann::json> types;
};

} // namespace clitest
