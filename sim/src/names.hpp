// Logix names are not case sensitive: "counter" finds "Counter". NameIndex maps names to
// positions with ASCII case folding and without building a folded copy per lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quillon::sim::detail {

inline char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool equalFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  return true;
}

inline bool startsWithFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalFolded(text.substr(0, prefix.size()), prefix);
}

struct FoldedHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded bytes
    for (char c : text) {
      hash ^= static_cast<uint8_t>(foldAscii(c));
      hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
  }
};

struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return equalFolded(a, b); }
};

using NameIndex = std::unordered_map<std::string, uint32_t, FoldedHash, FoldedEqual>;

}  // namespace quillon::sim::detail
