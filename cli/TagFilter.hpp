#pragma once

// The tag filter of the program's tree, so that the command line narrows the list
// exactly as the filter box does.

#include <string>
#include <string_view>

namespace cli {

struct TagNode;

// True when the needle is empty or occurs in the text as one run, comparing after
// folding A to Z to a to z; every other byte (UTF-8 included) compares as it is.
bool containsIgnoreCase(std::string_view text, std::string_view needle);

// Sets `visible` on the node and every descendant: a program shows when the text is
// empty or one of its tags shows; any other node when its name or path contains the
// text or one of its descendants shows. Returns the node's visibility.
bool applyFilter(TagNode& node, const std::string& text);

} // namespace cli
