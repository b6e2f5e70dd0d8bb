#pragma once

// CSV fields by RFC 4180: a field holding a comma, a double quote, CR or LF is
// enclosed in double quotes, with each double quote inside doubled.

#include <string>
#include <string_view>

std::string csvField(std::string_view text);
