#pragma once

// A command line that cannot be carried out as written. The dispatcher catches it,
// prints the text with the command's usage and exits with status 2.

#include <stdexcept>
#include <string>

namespace cli {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace cli
