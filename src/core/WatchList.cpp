#include "WatchList.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

constexpr std::string_view blanks = " \t\r";

std::string reason(const std::string& what) {
    const int code = errno;
    return code != 0 ? what + ": " + std::strerror(code) : what;
}

} // namespace

std::vector<std::string> parseWatchList(std::string_view text) {
    std::vector<std::string> paths;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line = line.substr(0, line.find('#'));
        const std::size_t first = line.find_first_not_of(blanks);
        if (first == std::string_view::npos) {
            continue;
        }
        const std::string path(line.substr(first, line.find_last_not_of(blanks) - first + 1));
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
            paths.push_back(path);
        }
    }
    return paths;
}

std::string formatWatchList(const std::vector<std::string>& paths) {
    std::string text = "# Quillon watch list: one tag path per line\n";
    for (const std::string& path : paths) {
        text += path;
        text += '\n';
    }
    return text;
}

WatchListFile readWatchList(const std::filesystem::path& file) {
    WatchListFile result;
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        result.error = reason("cannot open the file");
        return result;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        result.error = reason("cannot read the file");
        return result;
    }
    result.paths = parseWatchList(text.str());
    return result;
}

std::string writeWatchList(const std::filesystem::path& file, const std::vector<std::string>& paths) {
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    errno = 0;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return reason("cannot create the file");
        }
        const std::string text = formatWatchList(paths);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            const std::string error = reason("cannot write the file");
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return error;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, file, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return "cannot replace the file: " + renamed.message();
    }
    return {};
}

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}
