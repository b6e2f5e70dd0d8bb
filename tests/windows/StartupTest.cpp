// Start-up on Windows from folders whose names are not ASCII: the program's directory comes
// from GetModuleFileNameW, and the asset pack beside the program or in the working directory
// is found and loaded. A probe program (PathProbe.cpp) is copied into such a folder and
// started there, as a user would start quillon.exe.
#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(NonAsciiFolder, ThePackBesideTheProgramThenInTheWorkingDirectoryElseAnErrorNamingTheFirst) {
    const fs::path root =
        fs::temp_directory_path() / (fs::path(u8"quillon-Prüfstand-Δοκιμή-測試-") += std::to_wstring(GetCurrentProcessId()));
    fs::remove_all(root);
    struct Row {
        const char* name;
        fs::path programFolder, workingDirectory, pack;
        bool loads;
    };
    const Row rows[] = {
        {"beside the program", root / u8"Programme-Ölmühle", root, root / u8"Programme-Ölmühle" / "assets.pak", true},
        {"in the working directory", root / "bin", root / u8"Arbeitsmappe-Straße-作業", root / u8"Arbeitsmappe-Straße-作業" / "assets.pak", true},
        {"nowhere", root / u8"Ελληνικά", root, root / u8"Ελληνικά" / "assets.pak", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::create_directories(row.programFolder);
        fs::create_directories(row.workingDirectory);
        const fs::path program = row.programFolder / "quillon-probe.exe";
        fs::copy_file(QUILLON_PATH_PROBE, program);
        if (row.loads) {
            fs::copy_file(QUILLON_ASSET_PACK, row.pack);
        }
        fs::remove(row.workingDirectory / "probe.txt");
        const fs::path previous = fs::current_path();
        fs::current_path(row.workingDirectory); // the probe inherits it
        EXPECT_EQ(_wspawnl(_P_WAIT, program.c_str(), program.c_str(), nullptr), 0);
        fs::current_path(previous);
        std::vector<std::string> lines;
        std::ifstream in(row.workingDirectory / "probe.txt");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], utf8(row.programFolder));
        EXPECT_EQ(lines[1], utf8(row.pack));
        if (row.loads) {
            EXPECT_TRUE(lines[2].starts_with("loaded ") && lines[2] != "loaded 0") << lines[2];
        } else {
            EXPECT_EQ(lines[2], "Failed to open asset file: " + utf8(row.pack));
        }
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

} // namespace
