// Started by windows_startup_tests from folders with non-ASCII names: prints, as UTF-8,
// the directory start-up takes for the program's own, the asset pack path it picks, and
// whether that pack loads ("loaded N" or the error text), one per line.
#include "AssetPack.hpp"
#include "Startup.hpp"

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

int main() {
    try {
        std::cout << utf8(executableDirectory()) << '\n';
        const std::filesystem::path pack = findAssetPackPath();
        std::cout << utf8(pack) << '\n';
        AssetPack::instance().load(pack.string());
        std::cout << "loaded " << AssetPack::instance().entries().size() << '\n';
    } catch (const std::exception& error) {
        std::cout << error.what() << '\n';
    }
    return 0;
}
