#pragma once

// The program's start-up: render context, asset pack, thread pool and main window, the
// UI loop, and shutdown in a fixed order; and where the asset pack is found.

#include <cstdint>
#include <filesystem>
#include <string>

// Runs the program until its window closes; the top bar's Path shows `path`, and with a
// host the bar connects to host:port (along the path) at once. Failures are written to
// standard error; returns 0 after a normal end, 1 after a failure.
int runQuillon(const std::string& host = {}, std::uint16_t port = 0, const std::string& path = {});

// "assets.pak" beside the executable (a build tree, the Windows zip), else in the
// installed data directory found from the executable's folder (bin/../share/quillon,
// so an installed tree may be moved), else in the working directory; when none
// exists, the one beside the executable (so the load names it). Throws
// std::filesystem::filesystem_error ("exists") when a path cannot be examined for any
// reason other than its absence.
std::filesystem::path findAssetPackPath();

// The directory of the running executable (the working directory when the platform
// cannot say).
std::filesystem::path executableDirectory();
