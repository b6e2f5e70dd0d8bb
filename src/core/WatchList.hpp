#pragma once

// Watch list files, written by the program's "Save watch list…" and read by its "Open
// watch list…" and by `quillon-cli watch --from FILE`: plain text, one tag path per
// line; a '#' starts a comment to the end of the line (tag paths never hold one); blank
// lines, spaces around a path and a Windows line end are ignored.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct WatchListFile {
    std::vector<std::string> paths; // in file order, each once
    std::string error;              // why the file could not be read or written; empty on success
};

// The paths of a watch list text.
std::vector<std::string> parseWatchList(std::string_view text);

// The text of a watch list: a comment line saying what the file is, then one path a line.
std::string formatWatchList(const std::vector<std::string>& paths);

// Reads a watch list file.
WatchListFile readWatchList(const std::filesystem::path& file);

// Writes a watch list file through a temporary file beside it, so that a failed write
// leaves an earlier file whole. Returns the error, or an empty text.
std::string writeWatchList(const std::filesystem::path& file, const std::vector<std::string>& paths);

// The path a user typed (UTF-8 on every system).
std::filesystem::path pathFromUtf8(std::string_view text);
