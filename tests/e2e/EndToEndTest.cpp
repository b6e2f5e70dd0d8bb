// The real program on an X display against quillon-sim: the address typed with xdotool,
// Connect pressed, a tag expanded and value tags picked; the simulator's request log
// shows the reads once a second and a screenshot shows the status and the values. The
// bar's lost-connection and Cancel states are the views' tests (tests/views).
#include "Processes.hpp"
#include "Waiting.hpp"

#include <zolt/ui/Texture.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using waiting::waitFor;
using processes::readFile;
using processes::run;

const fs::path binDir = QUILLON_BIN_DIR;
const fs::path outputDir = QUILLON_E2E_OUTPUT_DIR;

// Where things are in the 1200 x 800 window (the layout of the main window and the top bar).
constexpr int addressY = 25;
constexpr int ipX = 150;   // inside the IP field
constexpr int portX = 345; // the middle of the port field
constexpr int firstRowY = 100; // the tree's rows start below the bar and the filter box
constexpr int rowPitch = 28;   // a line of the list font and the spacing between rows

int rowMiddle(int index) {
    return firstRowY + index * rowPitch + 10;
}

struct Window {
    std::string id;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

int field(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key + "=");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size() + 1);
}

std::optional<Window> findWindow() {
    const processes::CommandResult found = run("xdotool search --onlyvisible --name '^Quillon$' 2>/dev/null");
    std::istringstream ids(found.output);
    std::string id;
    while (ids >> id) {
        const std::string geometry = run("xdotool getwindowgeometry --shell " + id).output;
        Window window{id, field(geometry, "X"), field(geometry, "Y"), field(geometry, "WIDTH"), field(geometry, "HEIGHT")};
        if (window.width >= 1200 && window.height >= 400) {
            return window;
        }
    }
    return std::nullopt;
}

void clickAt(const Window& window, int x, int y) {
    run("xdotool mousemove --sync " + std::to_string(window.x + x) + " " + std::to_string(window.y + y) + " click 1");
}

void typeText(const std::string& text) {
    run("xdotool type --delay 30 '" + text + "'");
}

void pressKeys(const std::string& keys) {
    run("xdotool key " + keys);
}

// A screenshot of the window, decoded.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    // Pixels in [x0, x1) x [y0, y1) for which `test`(r, g, b) holds.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& test) const {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
                const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                               static_cast<std::size_t>(x)) * 4];
                n += test(p[0], p[1], p[2]) ? 1 : 0;
            }
        }
        return n;
    }
};

std::optional<Shot> capture(const Window& window, const fs::path& file) {
    if (run("import -window " + window.id + " '" + file.string() + "' 2>/dev/null").status != 0) {
        return std::nullopt;
    }
    const std::string bytes = readFile(file);
    try {
        const zolt::ui::Texture image(bytes.data(), bytes.size());
        return Shot{image.getWidth(), image.getHeight(), image.getPixels()};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool isText(int r, int g, int b) {
    return r > 170 && g > 170 && b > 170;
}

bool isSuccessGreen(int r, int g, int b) {
    return g > 150 && r < 120 && b < 120;
}

// Milliseconds of the log line's UTC time stamp ("2026-12-06T12:34:23.514Z ...").
std::int64_t stampMs(const std::string& line) {
    std::tm parts{};
    int millis = 0;
    if (std::sscanf(line.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &millis) != 7) {
        return -1;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return static_cast<std::int64_t>(timegm(&parts)) * 1000 + millis;
}

// Times of the Read Tag requests for `path` in the simulator's log.
std::vector<std::int64_t> readTimes(const fs::path& log, const std::string& path) {
    std::vector<std::int64_t> times;
    std::istringstream lines(readFile(log));
    const std::string tail = "path=" + path;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("service=0x4C") != std::string::npos && line.size() >= tail.size() &&
            line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
            times.push_back(stampMs(line));
        }
    }
    return times;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display: run under xvfb-run (scripts/test does)";
        }
        fs::create_directories(outputDir);
    }
};

// Starts quillon-sim with these arguments after the database and returns its port ("" when
// it did not say where it listens).
std::string startSim(std::optional<processes::Process>& sim, const std::vector<std::string>& arguments, const fs::path& out) {
    std::vector<std::string> argv{(binDir / "quillon-sim").string(), "--db", QUILLON_SAMPLE_JSON};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    fs::remove(out);
    sim.emplace(argv, outputDir, out);
    std::string port;
    waitFor(
        [&] {
            const std::string text = readFile(out);
            const std::size_t at = text.find("listening on 127.0.0.1:");
            if (at == std::string::npos) {
                return false;
            }
            port = text.substr(at + 23, text.find_first_of("\r\n", at) - at - 23);
            return !port.empty();
        },
        10s, 50ms);
    return port;
}

// Starts the program and waits for its window's first frames.
std::optional<Window> startQuillon(std::optional<processes::Process>& quillon, const fs::path& shotFile) {
    quillon.emplace(std::vector<std::string>{(binDir / "quillon").string()}, binDir, outputDir / "quillon.out");
    std::optional<Window> window;
    if (!waitFor([&] { return (window = findWindow()).has_value(); }, 30s, 50ms)) {
        return std::nullopt;
    }
    // The first frames are on screen once a capture shows the top bar's text.
    waitFor(
        [&] {
            auto shot = capture(*window, shotFile);
            return shot && shot->count(1040, 0, 1200, 50, isText) > 20;
        },
        30s, 50ms);
    return window;
}

// Types the address; Enter in the port field connects.
void connectTo(const Window& window, const std::string& port) {
    clickAt(window, ipX, addressY);
    typeText("127.0.0.1");
    clickAt(window, portX, addressY);
    pressKeys("ctrl+a");
    typeText(port);
    pressKeys("Return");
}

TEST_F(EndToEndTest, ConnectBrowseAndWatchTagsOnARealWindow) {
    const fs::path simLog = outputDir / "sim-requests.log";
    fs::remove(simLog);
    std::optional<processes::Process> sim;
    const std::string port = startSim(sim, {"--port", "0", "--log-requests", simLog.string()}, outputDir / "sim.out");
    ASSERT_FALSE(port.empty()) << readFile(outputDir / "sim.out");

    std::optional<processes::Process> quillon;
    const fs::path shotFile = outputDir / "quillon-e2e.png";
    const std::optional<Window> window = startQuillon(quillon, shotFile);
    ASSERT_TRUE(window) << "no window; its output:\n" << readFile(outputDir / "quillon.out");

    connectTo(*window, port);
    // The tree is complete when the last program has been browsed and its rows drawn.
    ASSERT_TRUE(waitFor([&] { return readFile(simLog).find("path=Program:Packaging") != std::string::npos; }, 30s, 50ms))
        << "no browse reached the simulator";
    ASSERT_TRUE(waitFor(
        [&] {
            auto shot = capture(*window, shotFile);
            return shot && shot->count(20, rowMiddle(11) - 10, 300, rowMiddle(11) + 10, isText) > 20;
        },
        30s, 50ms))
        << "no rows on screen";

    clickAt(*window, 80, rowMiddle(11)); // "Counter", a live DINT
    clickAt(*window, 12, rowMiddle(16)); // the arrow of "Temperatures", a REAL[10]
    // Its elements are drawn indented under it: the row below now starts further right.
    ASSERT_TRUE(waitFor(
        [&] {
            auto shot = capture(*window, shotFile);
            return shot && shot->count(20, rowMiddle(17) - 10, 40, rowMiddle(17) + 10, isText) == 0 &&
                   shot->count(40, rowMiddle(17) - 10, 200, rowMiddle(17) + 10, isText) > 10;
        },
        10s, 50ms))
        << "the array did not open";
    clickAt(*window, 90, rowMiddle(18)); // "Temperatures[1]"

    // Reads about once a second: six of them, spaced by the inspector's interval.
    std::vector<std::int64_t> times;
    ASSERT_TRUE(waitFor([&] { return (times = readTimes(simLog, "Counter")).size() >= 6; }, 30s, 50ms))
        << "Counter was read " << readTimes(simLog, "Counter").size() << " times";
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
        gaps.push_back(times[i] - times[i - 1]);
    }
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GE(gaps.front(), 950) << "two reads within a second";
    EXPECT_GE(gaps[gaps.size() / 2], 950);
    EXPECT_LE(gaps[gaps.size() / 2], 1300) << "median gap between reads in ms";
    EXPECT_FALSE(readTimes(simLog, "Temperatures[1]").empty());

    // The screenshot: the status in green, both tags with their values in the inspector.
    std::optional<Shot> shot;
    ASSERT_TRUE(waitFor(
        [&] {
            shot = capture(*window, shotFile);
            // Below the watch list buttons and the header: rows of 24 pixels from y = 100.
            return shot && shot->count(932, 100, 1160, 124, isText) > 10 && shot->count(932, 124, 1160, 148, isText) > 10;
        },
        10s, 50ms))
        << "values not shown; screenshot: " << shotFile;
    std::cout << "screenshot: " << shotFile.string() << std::endl;
    EXPECT_GT(shot->count(718, 0, 1018, 25, isSuccessGreen), 30) << "PLC-Status: CONNECTED in green";
    EXPECT_GT(shot->count(606, 100, 840, 124, isText), 10) << "the first watched name";

    EXPECT_TRUE(quillon->running()) << readFile(outputDir / "quillon.out");
}

TEST_F(EndToEndTest, WithoutAnAssetPackTheProgramNamesThePathBesideItAndEnds) {
    const fs::path folder = outputDir / "no-pack";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(binDir / "quillon", folder / "quillon");
    const fs::path out = outputDir / "no-pack.out";
    processes::Process quillon({(folder / "quillon").string()}, folder, out);
    EXPECT_EQ(quillon.wait(), 1);
    const std::string text = readFile(out);
    EXPECT_NE(text.find("Failed to open asset file: " + (folder / "assets.pak").string()), std::string::npos) << text;
    fs::remove_all(folder);
}

} // namespace
