// Start-up on Windows from folders whose names are not ASCII: the program's directory
// comes from GetModuleFileNameW, and the asset pack beside the program or in the working
// directory is found and loaded. A probe program (PathProbe.cpp) is copied into such a
// folder and started there, as a user would start quillon.exe.
#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Runs `program` with `workingDirectory` as its working directory and returns the lines
// it wrote to standard output.
std::vector<std::string> runProgram(const fs::path& program, const fs::path& workingDirectory) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return {};
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, workingDirectory.c_str(), &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD count = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &count, nullptr) && count > 0) {
            output.append(chunk, count);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        ADD_FAILURE() << "cannot start " << utf8(program) << ": error " << startError;
    }
    CloseHandle(readEnd);

    std::vector<std::string> lines;
    std::string line;
    for (const char c : output) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// A fresh folder in the temporary directory, named in Latin, Greek and Chinese letters;
// removed with everything in it at the end.
class NonAsciiFolder : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               (fs::path(u8"quillon-Prüfstand-Δοκιμή-測試-") += std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(root);
        fs::create_directories(root);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // A folder under the root holding a copy of the probe program; returns the copy.
    fs::path installProbe(const fs::path& folder) {
        fs::create_directories(folder);
        const fs::path copy = folder / "quillon-probe.exe";
        fs::copy_file(QUILLON_PATH_PROBE, copy);
        return copy;
    }

    static void addPack(const fs::path& folder) { fs::copy_file(QUILLON_ASSET_PACK, folder / "assets.pak"); }

    fs::path root;
};

TEST_F(NonAsciiFolder, PackBesideTheProgramIsFoundAndLoaded) {
    const fs::path folder = root / u8"Programme-Ölmühle";
    const fs::path program = installProbe(folder);
    addPack(folder);

    const std::vector<std::string> lines = runProgram(program, root);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], utf8(folder));
    EXPECT_EQ(lines[1], utf8(folder / "assets.pak"));
    EXPECT_EQ(lines[2].rfind("loaded ", 0), 0u) << lines[2];
    EXPECT_NE(lines[2], "loaded 0");
}

TEST_F(NonAsciiFolder, PackInTheWorkingDirectoryIsFoundAndLoaded) {
    const fs::path program = installProbe(root / "bin");
    const fs::path workingDirectory = root / u8"Arbeitsmappe-Straße-作業";
    fs::create_directories(workingDirectory);
    addPack(workingDirectory);

    const std::vector<std::string> lines = runProgram(program, workingDirectory);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], utf8(root / "bin"));
    EXPECT_EQ(lines[1], utf8(workingDirectory / "assets.pak"));
    EXPECT_EQ(lines[2].rfind("loaded ", 0), 0u) << lines[2];
}

TEST_F(NonAsciiFolder, WithoutAPackTheErrorNamesThePathBesideTheProgram) {
    const fs::path folder = root / u8"Ελληνικά";
    const fs::path program = installProbe(folder);

    const std::vector<std::string> lines = runProgram(program, root);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], utf8(folder / "assets.pak"));
    EXPECT_EQ(lines[2], "Failed to open asset file: " + utf8(folder / "assets.pak"));
}

} // namespace
