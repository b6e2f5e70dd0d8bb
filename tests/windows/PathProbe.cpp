// Started by windows_startup_tests from folders with non-ASCII names: writes to probe.txt in
// its working directory, as UTF-8, the directory start-up takes for the program's own, the
// asset pack path it picks, and whether that pack loads ("loaded N" or the error text).
#include "AssetPack.hpp"
#include "Startup.hpp"

#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

int main() {
    std::ofstream out("probe.txt", std::ios::binary);
    try {
        out << utf8(executableDirectory()) << '\n';
        const std::filesystem::path pack = findAssetPackPath();
        out << utf8(pack) << '\n';
        AssetPack::instance().load(utf8(pack)); // as the program does: the path as UTF-8 text
        out << "loaded " << AssetPack::instance().entries().size() << '\n';
    } catch (const std::exception& error) {
        out << error.what() << '\n';
    }
    return 0;
}
