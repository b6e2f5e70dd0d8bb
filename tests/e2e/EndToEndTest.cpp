// The real program on an X display against quillon-sim: the address typed with xdotool,
// Connect pressed, a tag expanded and value tags picked; the simulator's request log
// shows the reads once a second, a screenshot shows the status and the values, and closing
// the window ends the program in order. The bar's lost-connection and Cancel states are the
// views' tests (tests/views).
#include "Processes.hpp"
#include "Waiting.hpp"

#include <zolt/ui/Texture.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using waiting::waitFor;
using processes::readFile;
using processes::run;

const fs::path binDir = QUILLON_BIN_DIR;
const fs::path outputDir = QUILLON_E2E_OUTPUT_DIR;

// Where things are in the 1200 x 800 window (the layout of the main window and the top bar):
// the IP and port fields at y 25; the tree's rows below the bar and the filter box, a line of
// the list font and the spacing between rows apart.
int rowMiddle(int index) {
    return 100 + index * 28 + 10;
}

struct Window {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

std::optional<Window> findWindow() {
    std::istringstream ids(run("xdotool search --onlyvisible --name '^Quillon$' 2>/dev/null").output);
    for (std::string id; ids >> id;) {
        const std::string geometry = run("xdotool getwindowgeometry --shell " + id).output;
        const auto field = [&](const std::string& key) {
            const std::size_t at = geometry.find(key + "=");
            return at == std::string::npos ? -1 : std::atoi(geometry.c_str() + at + key.size() + 1);
        };
        Window window{id, field("X"), field("Y"), field("WIDTH"), field("HEIGHT")};
        if (window.width >= 1200 && window.height >= 400) {
            return window;
        }
    }
    return std::nullopt;
}

void clickAt(const Window& window, int x, int y) {
    run("xdotool mousemove --sync " + std::to_string(window.x + x) + " " + std::to_string(window.y + y) + " click 1");
}

// Sends the window the close request its title bar's close button would (WM_DELETE_WINDOW).
bool closeWindow(const Window& window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window.id);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XCloseDisplay(display);
    return sent;
}

// Pixels of a screenshot in [x0, x1) x [y0, y1) for which `test`(r, g, b) holds.
using Shot = std::function<int(int x0, int y0, int x1, int y1, bool (*test)(int, int, int))>;

// A screenshot of the window, decoded; null when it could not be taken.
Shot capture(const Window& window, const fs::path& file) {
    if (run("import -window " + window.id + " '" + file.string() + "' 2>/dev/null").status != 0) {
        return nullptr;
    }
    const std::string bytes = readFile(file);
    try {
        auto image = std::make_shared<zolt::ui::Texture>(bytes.data(), bytes.size());
        return [image](int x0, int y0, int x1, int y1, bool (*test)(int, int, int)) {
            int n = 0;
            for (int y = std::max(0, y0); y < std::min(image->getHeight(), y1); ++y) {
                for (int x = std::max(0, x0); x < std::min(image->getWidth(), x1); ++x) {
                    const std::uint8_t* p = &image->getPixels()[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image->getWidth()) +
                                                                 static_cast<std::size_t>(x)) * 4];
                    n += test(p[0], p[1], p[2]) ? 1 : 0;
                }
            }
            return n;
        };
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool isText(int r, int g, int b) {
    return r > 170 && g > 170 && b > 170;
}

// Times in milliseconds of the Read Tag requests for `path` in the simulator's log, from each
// line's UTC time stamp ("2026-12-06T12:34:23.514Z ...").
std::vector<std::int64_t> readTimes(const fs::path& log, const std::string& path) {
    std::vector<std::int64_t> times;
    std::istringstream lines(readFile(log));
    const std::string tail = "path=" + path;
    for (std::string line; std::getline(lines, line);) {
        std::tm parts{};
        int millis = 0;
        if (line.find("service=0x4C") != std::string::npos && line.ends_with(tail) &&
            std::sscanf(line.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                        &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &millis) == 7) {
            parts.tm_year -= 1900;
            parts.tm_mon -= 1;
            times.push_back(static_cast<std::int64_t>(timegm(&parts)) * 1000 + millis);
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

TEST_F(EndToEndTest, ConnectBrowseAndWatchTagsOnARealWindow) {
    const fs::path simLog = outputDir / "sim-requests.log";
    const fs::path simOut = outputDir / "sim.out";
    fs::remove(simLog);
    fs::remove(simOut);
    processes::Process sim({(binDir / "quillon-sim").string(), "--db", QUILLON_SAMPLE_JSON, "--port", "0",
                            "--log-requests", simLog.string()},
                           outputDir, simOut);
    std::string port;
    waitFor(
        [&] {
            const std::string text = readFile(simOut);
            const std::size_t at = text.find("listening on 127.0.0.1:");
            port = at == std::string::npos ? "" : text.substr(at + 23, text.find_first_of("\r\n", at) - at - 23);
            return !port.empty();
        },
        10s, 50ms);
    ASSERT_FALSE(port.empty()) << readFile(simOut);

    processes::Process quillon({(binDir / "quillon").string()}, binDir, outputDir / "quillon.out");
    std::optional<Window> window;
    ASSERT_TRUE(waitFor([&] { return (window = findWindow()).has_value(); }, 30s, 50ms))
        << "no window; its output:\n" << readFile(outputDir / "quillon.out");
    const fs::path shotFile = outputDir / "quillon-e2e.png";
    // Polls screenshots until `seen` holds for one.
    const auto shows = [&](const std::function<bool(const Shot&)>& seen, std::chrono::seconds limit) {
        return waitFor([&] {
            const Shot shot = capture(*window, shotFile);
            return shot && seen(shot);
        }, limit, 50ms);
    };
    // The first frames are on screen once a capture shows the top bar's text.
    shows([](const Shot& shot) { return shot(1040, 0, 1200, 50, isText) > 20; }, 30s);

    // The address typed; Enter in the port field connects.
    clickAt(*window, 150, 25);
    run("xdotool type --delay 30 '127.0.0.1'");
    clickAt(*window, 345, 25);
    run("xdotool key ctrl+a");
    run("xdotool type --delay 30 '" + port + "'");
    run("xdotool key Return");
    // The tree is complete when the last program has been browsed and its rows drawn.
    ASSERT_TRUE(waitFor([&] { return readFile(simLog).find("path=Program:Packaging") != std::string::npos; }, 30s, 50ms))
        << "no browse reached the simulator";
    ASSERT_TRUE(shows([](const Shot& shot) { return shot(20, rowMiddle(11) - 10, 300, rowMiddle(11) + 10, isText) > 20; }, 30s))
        << "no rows on screen";

    clickAt(*window, 80, rowMiddle(11)); // "Counter", a live DINT
    clickAt(*window, 12, rowMiddle(16)); // the arrow of "Temperatures", a REAL[10]
    // Its elements are drawn indented under it: the row below now starts further right.
    ASSERT_TRUE(shows([](const Shot& shot) {
        return shot(20, rowMiddle(17) - 10, 40, rowMiddle(17) + 10, isText) == 0 &&
               shot(40, rowMiddle(17) - 10, 200, rowMiddle(17) + 10, isText) > 10;
    }, 10s)) << "the array did not open";
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
    EXPECT_LE(gaps[gaps.size() / 2], 1300) << "median gap between reads in ms";
    EXPECT_FALSE(readTimes(simLog, "Temperatures[1]").empty());

    // The screenshot: both tags with their values in the inspector (rows of 24 pixels from y =
    // 100, below the watch list buttons and the header), the status in green.
    Shot shot;
    ASSERT_TRUE(shows([&](const Shot& taken) {
        shot = taken;
        return taken(932, 100, 1160, 124, isText) > 10 && taken(932, 124, 1160, 148, isText) > 10;
    }, 10s)) << "values not shown; screenshot: " << shotFile;
    EXPECT_GT(shot(718, 0, 1018, 25, [](int r, int g, int b) { return g > 150 && r < 120 && b < 120; }), 30)
        << "PLC-Status: CONNECTED in green";
    EXPECT_GT(shot(606, 100, 840, 124, isText), 10) << "the first watched name";
    // Ending by its window rather than a signal also lets a coverage build write its counters.
    ASSERT_TRUE(closeWindow(*window));
    ASSERT_TRUE(waitFor([&] { return !quillon.running(); }, 30s, 50ms)) << "still running after its window closed";
    EXPECT_EQ(quillon.wait(), 0) << readFile(outputDir / "quillon.out");
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
