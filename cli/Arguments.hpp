#pragma once

// Splits a command's arguments into positional words and options. Options may stand
// anywhere among the positional words, as "--name value" or "--name=value"; "--" ends
// the options, so that every later word is positional.

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct OptionSpec {
    std::string_view name; // with its leading "--"
    bool takesValue = false;
};

struct Arguments {
    std::vector<std::string> positionals;
    std::map<std::string, std::string, std::less<>> values; // options with a value
    std::set<std::string, std::less<>> flags;               // options without one

    bool has(std::string_view name) const;
    std::optional<std::string> value(std::string_view name) const;
};

// True when "--help" stands among the options (before any "--").
bool wantsHelp(std::span<const std::string> words);

// Throws UsageError for an unknown option, an option given twice, a missing value,
// or a value given to an option that takes none.
Arguments parseArguments(std::span<const std::string> words, std::span<const OptionSpec> options);

} // namespace cli
