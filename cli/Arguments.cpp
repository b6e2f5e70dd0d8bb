#include "Arguments.hpp"

#include <algorithm>

#include "UsageError.hpp"

namespace cli {

bool Arguments::has(std::string_view name) const {
    return flags.contains(name) || values.contains(name);
}

std::optional<std::string> Arguments::value(std::string_view name) const {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool wantsHelp(std::span<const std::string> words) {
    const auto end = std::find(words.begin(), words.end(), "--");
    return std::find(words.begin(), end, "--help") != end;
}

Arguments parseArguments(std::span<const std::string> words, std::span<const OptionSpec> options) {
    Arguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            result.positionals.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const auto spec = std::find_if(options.begin(), options.end(),
                                       [&](const OptionSpec& option) { return option.name == name; });
        if (spec == options.end()) {
            throw UsageError("unknown option '" + name + "'");
        }
        if (result.has(name)) {
            throw UsageError("option '" + name + "' given more than once");
        }
        if (!spec->takesValue) {
            if (equals != std::string::npos) {
                throw UsageError("option '" + name + "' takes no value");
            }
            result.flags.insert(name);
            continue;
        }
        if (equals != std::string::npos) {
            result.values.emplace(name, word.substr(equals + 1));
        } else if (i + 1 < words.size()) {
            result.values.emplace(name, words[++i]);
        } else {
            throw UsageError("option '" + name + "' needs a value");
        }
    }
    return result;
}

} // namespace cli
