#pragma once

// Writes asset pack files: the 40-byte header, the entries table sorted by name in
// byte order, the NUL-terminated names and then the data. The reader in the
// application (AssetPack) relies on that order for its binary search.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pak {

// One asset to pack: its name in the pack and the file it comes from.
struct Source {
    std::string name;
    std::filesystem::path file;
};

struct Item {
    std::string name;
    std::vector<std::uint8_t> data;
};

// Every regular file below folder, named by its path relative to folder with "/" as
// separator. Throws std::runtime_error if the folder cannot be listed.
std::vector<Source> listFolder(const std::filesystem::path& folder);

// Reads every source. Throws std::runtime_error naming the first unreadable file.
std::vector<Item> readSources(const std::vector<Source>& sources);

// The pack file bytes for these items, sorted by name. Throws std::runtime_error for an
// empty name, a name with a NUL byte or a name given twice.
std::vector<std::uint8_t> encodePack(std::vector<Item> items);

// Writes bytes to a temporary file beside path and renames it into place, so a failed
// run never leaves a truncated pack behind. Throws std::runtime_error on failure.
void writeFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace pak
