#pragma once

// What a refused call says: the message of the exception it throws.

#include <string>

namespace thrown {

template <typename Exception, typename Call>
std::string messageOf(Call call) {
    try {
        call();
    } catch (const Exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

} // namespace thrown
