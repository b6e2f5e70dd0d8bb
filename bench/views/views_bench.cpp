// The views under load, headless, run by hand:
//
//   bin/views_bench [idle-frames]
//   bin/views_bench large
//   bin/views_bench trend
//
// 1. A generated controller whose browse gives 99 984 records (the browse limit is
//    100 000): the frame in which the list arrives and becomes rows (list to rows on
//    screen), the heap the rows take, every frame while the list loads, idle frames with
//    the tree collapsed, and frames while the tree is scrolled to 200 places and by the
//    wheel.
// 2. A controller with a 10 000-element DINT array: idle frames with the array opened
//    (by a click on its arrow, as a user would) and frames while scrolling through it.
// 3. For comparison, the generated controller again with every row its records describe
//    built at once (about a million, as building them all on arrival would): time, heap,
//    idle frames, and the frame of the next load, which replaces them all.
// 4. A hostile controller: a 100 000-element structure array whose type has a 65 535-element
//    member (6.5 billion rows below one tag): the frames after one filter character typed
//    (bounded work per frame; the filter goes on over many frames) and after a text that
//    is found quickly.
// 5. The trend pane (also alone: bin/views_bench trend): 20 watched rows with 30 minutes of
//    history at one sample a second each, all shown in the 30-minute window, against the
//    same window with none shown.
// Prints medians and maxima. Targets: list to rows 200 ms; an idle frame 4 ms (with the
// trend's 20 series too); no frame above 100 ms while loading or scrolling, none above
// 50 ms while filtering.
//
// "large": a generated plant of 250 000 tags (150 000 controller tags and 100 programs of
// 1 000), 2 000 structure types, served by the simulator in a child process so that the
// peak memory (RSS high-water) is the program's own: one run a process, run it several
// times for medians. It connects, lists, turns the list into rows and loads every
// program's rows. Targets: list to rows
// under 1 s, frames while loading under 16 ms, peak memory under 200 MB.
#include "AppState.hpp"
#include "AssetPack.hpp"
#include "Startup.hpp"
#include "TagInspector.hpp"
#include "TagRows.hpp"
#include "ThreadPool.hpp"
#include "Views/MainWindow.hpp"
#include "Views/TreeItem.hpp"
#include "Views/TreeView.hpp"
#include "Views/TrendView.hpp"

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"

#include <zolt/ui.hpp>

#include <imgui_internal.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Stats {
    double median = 0.0;
    double max = 0.0;
    std::size_t count = 0;
};

Stats stats(std::vector<double> values) {
    Stats s;
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    s.median = values[values.size() / 2];
    s.max = values.back();
    s.count = values.size();
    return s;
}

void print(const char* what, const Stats& s) {
    std::printf("  %-44s median %8.3f ms   max %8.3f ms   (%zu frames)\n", what, s.median, s.max, s.count);
}

double frameMs(zolt::ui::Application& app) {
    const auto start = Clock::now();
    app.runFrame();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The UI thread's processor time: on a loaded machine a frame's wall time also counts
// the time other processes held the processor.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

std::size_t loadingPrograms(const TreeView& tree) {
    return static_cast<std::size_t>(std::count_if(tree.getItems().begin(), tree.getItems().end(),
                                                  [](const auto& item) { return item->isLoading(); }));
}

std::size_t countRows(const TreeItem& row) {
    std::size_t n = 1;
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        n += countRows(*row.getChild(i));
    }
    return n;
}

bool connect(std::uint16_t port) {
    auto done = std::make_shared<std::promise<zoltc_logix_result>>();
    auto result = done->get_future();
    ThreadPool::instance().submit([port, done] { done->set_value(AppState::instance().connect("127.0.0.1", port)); });
    return result.get() == ZOLTC_LOGIX_OK;
}

bool treeReady(const TreeView& tree) {
    if (tree.isLoading() || tree.getItems().empty()) {
        return false;
    }
    return std::none_of(tree.getItems().begin(), tree.getItems().end(),
                        [](const auto& item) { return item->isLoading(); });
}

// Frames until the tree holds rows of a new list (programs' rows too); reports the loading
// frames and the frames that turned the list into rows (a bounded share each). Returns
// the latter's total time and the loading frames' figures, or nothing when the list never
// came.
struct Load {
    double listToRowsMs = 0.0;
    Stats loading;
    double listToRowsCpuMs = 0.0;
    Stats loadingCpu;
};

std::optional<Load> loadTree(zolt::ui::Application& app, const TreeView& tree, const TreeItem* previousFirst) {
    Load load;
    std::size_t replaced = 0;
    for (const auto& item : tree.getItems()) {
        replaced += countRows(*item);
    }
    std::vector<double> loading;
    std::vector<double> loadingCpu;
    std::vector<double> rowFramesCpu; // the frames that made the list's rows
    std::size_t heapAtRows = 0;
    bool rowsDone = false;
    double slowestCpu = 0.0;
    std::size_t slowestPrograms = 0; // program lists that became rows in the slowest frame
    const auto deadline = Clock::now() + std::chrono::minutes(1);
    while (Clock::now() < deadline) {
        const std::size_t heapBefore = heapInUse();
        const std::size_t programsBefore = loadingPrograms(tree);
        const double cpuBefore = threadCpuMs();
        const double ms = frameMs(app);
        const double cpuMs = threadCpuMs() - cpuBefore;
        const bool hasNewRows = !tree.getItems().empty() && tree.getItems().front().get() != previousFirst;
        if (hasNewRows && !rowsDone) {
            if (rowFramesCpu.empty()) {
                heapAtRows = heapBefore;
            }
            rowFramesCpu.push_back(cpuMs);
            load.listToRowsMs += ms;
            load.listToRowsCpuMs += cpuMs;
            rowsDone = !tree.isLoading();
        }
        if (hasNewRows && rowsDone && heapAtRows != 0) {
            std::size_t rows = 0;
            for (const auto& item : tree.getItems()) {
                rows += countRows(*item);
            }
            const double bytes = static_cast<double>(heapInUse()) - static_cast<double>(heapAtRows);
            const std::string what = "list to rows on screen (" + std::to_string(rowFramesCpu.size()) + " frames" +
                                     (replaced > 0 ? ", " + std::to_string(replaced) + " rows replaced)" : std::string(")"));
            std::printf("  %-44s %8.3f ms\n", what.c_str(), load.listToRowsMs);
            std::printf("  %-44s %8.3f ms\n", "  of it on the UI thread's processor", load.listToRowsCpuMs);
            print("  those frames' processor time", stats(rowFramesCpu));
            const auto slowestRowFrame = std::max_element(rowFramesCpu.begin(), rowFramesCpu.end());
            std::printf("  %-44s %zu of %zu\n", "  the slowest of them", static_cast<std::size_t>(slowestRowFrame - rowFramesCpu.begin()) + 1,
                        rowFramesCpu.size());
            if (previousFirst == nullptr) { // the heap also lost the earlier rows otherwise
                std::printf("  %-44s %zu rows, %.1f MiB, %.0f bytes a row\n", "rows built and their heap", rows,
                            bytes / (1024.0 * 1024.0), bytes / static_cast<double>(rows));
            }
            heapAtRows = 0;
        } else if (!hasNewRows || rowsDone) {
            loading.push_back(ms);
            loadingCpu.push_back(cpuMs);
            if (cpuMs > slowestCpu) {
                slowestCpu = cpuMs;
                slowestPrograms = programsBefore - std::min(programsBefore, loadingPrograms(tree));
            }
        }
        if (treeReady(tree) && tree.getItems().front().get() != previousFirst) {
            load.loading = stats(loading);
            load.loadingCpu = stats(loadingCpu);
            print("frames while loading", load.loading);
            print("  their UI thread's processor time", load.loadingCpu);
            std::printf("  %-44s %zu\n", "  program lists made rows in the slowest", slowestPrograms);
            return load;
        }
    }
    std::printf("  the tree never loaded\n");
    return std::nullopt;
}

void buildAll(TreeItem& row) {
    if (auto* tag = dynamic_cast<TagItem*>(&row)) {
        tag->loadChildren();
    }
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        buildAll(*row.getChild(i));
    }
}

// For comparison: every row of the tree built at once, as opening everything would.
void reportFullShape(const TreeView& tree) {
    const std::size_t heapBefore = heapInUse();
    const auto start = Clock::now();
    std::size_t rows = 0;
    for (const auto& item : tree.getItems()) {
        buildAll(*item);
        rows += countRows(*item);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double bytes = static_cast<double>(heapInUse()) - static_cast<double>(heapBefore);
    std::printf("  %-44s %zu rows in %.0f ms, %.1f MiB more\n", "every row built (for comparison)", rows, ms,
                bytes / (1024.0 * 1024.0));
}

Stats idle(zolt::ui::Application& app, int frames) {
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        times.push_back(frameMs(app));
    }
    return stats(times);
}

// Jumps to `places` offsets spread over the whole content, one frame each, then back.
Stats scroll(zolt::ui::Application& app, TreeView& tree, int places) {
    const float content = tree.getScrollMaxY();
    std::vector<double> times;
    for (int i = 0; i <= places; ++i) {
        tree.setScrollY(content * static_cast<float>(i) / static_cast<float>(places));
        times.push_back(frameMs(app));
    }
    zolt::ui::Window& window = *tree.getWindow();
    tree.setScrollY(content / 2.0f);
    window.injectMouseMove(300.0f, 400.0f); // over the tree
    times.push_back(frameMs(app));
    for (int i = 0; i < 40; ++i) {
        window.injectMouseWheel(0.0f, -1.0f); // the wheel, as a user scrolls down
        times.push_back(frameMs(app));
    }
    window.injectMouseMove(900.0f, 400.0f); // away, over the inspector
    tree.setScrollY(0.0f);
    times.push_back(frameMs(app));
    // ImGui takes queued input one kind at a time per frame: let it catch up before the
    // next measurement.
    ImGuiContext& imgui = *tree.getTreePanel()->getImGuiContext();
    while (imgui.InputEventsQueue.Size > 0) {
        times.push_back(frameMs(app));
    }
    return stats(times);
}

// The structure's template claims a 65 535-element member that its 100 000 elements'
// data does not hold: the listing alone describes the rows, which is what the tree sees.
constexpr std::uint16_t hostileTemplate = 0x100;

std::string hostileController() {
    return R"({"identity": {"productName": "Bench hostile"},
      "types": [{"name": "Hostile", "id": 256, "members": [{"name": "Big", "type": "DINT"}]}],
      "tags": [{"name": "Huge", "type": "Hostile", "dims": [100000]}, {"name": "Other", "type": "DINT"}]})";
}

quillon::sim::Options hostileOptions() {
    // One member: info word 65 535 (its element count), type word DINT[], offset 0; then
    // the type's name and the member's.
    std::vector<std::uint8_t> data = {0xFF, 0xFF, 0xC4, 0x20, 0, 0, 0, 0};
    for (const char* text : {"Hostile;nDA", "Big"}) {
        data.insert(data.end(), text, text + std::char_traits<char>::length(text) + 1);
    }
    quillon::sim::Options options;
    options.templateOverrides[hostileTemplate] = quillon::sim::TemplateOverride{1, std::move(data)};
    return options;
}

// Types `text` into the filter box (replacing what it held) and measures `frames` frames.
Stats typeFilter(zolt::ui::Application& app, zolt::ui::Window& window, const TreeView& tree, const std::string& text,
                 int frames) {
    const zolt::ui::Vec2 box = tree.getFilterPanel()->getWorldPosition();
    window.injectMouseMove(box.x + 100.0f, box.y + 14.0f);
    app.runFrame();
    window.injectMouseButton(zolt::ui::kMouseLeft, true);
    app.runFrame();
    window.injectMouseButton(zolt::ui::kMouseLeft, false);
    app.runFrame();
    window.injectKey(ImGuiKey_A, true, zolt::ui::kModCtrl);
    app.runFrame();
    window.injectKey(ImGuiKey_A, false, 0); // the modifier goes up with the key
    app.runFrame();
    window.injectText(text);
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        times.push_back(frameMs(app));
    }
    return stats(times);
}

std::string arrayController() {
    std::string json = R"({"identity": {"productName": "Bench array"}, "tags": [)";
    json += R"({"name": "Big", "type": "DINT", "dims": [10000]})";
    for (int i = 0; i < 50; ++i) {
        json += R"(, {"name": "Tag)" + std::to_string(i) + R"(", "type": "REAL"})";
    }
    json += "]}";
    return json;
}

// A /proc/self/status figure in MiB ("VmHWM", "VmRSS").
double statusMiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(key + ":")) {
            return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0; // kB
        }
    }
    return 0.0;
}

// The simulator serving `spec` in a child process; it ends when the parent closes `stop`.
struct ChildSimulator {
    pid_t pid = -1;
    std::uint16_t port = 0;
    int stop = -1;

    ~ChildSimulator() {
        if (stop >= 0) {
            close(stop);
        }
        if (pid > 0) {
            waitpid(pid, nullptr, 0);
        }
    }
};

// Before any thread starts: fork() copies only the calling thread.
bool startChildSimulator(const quillon::sim::GenerateSpec& spec, ChildSimulator& child) {
    int ready[2];
    int stop[2];
    if (pipe(ready) != 0 || pipe(stop) != 0) {
        return false;
    }
    child.pid = fork();
    if (child.pid == 0) {
        close(ready[0]);
        close(stop[1]);
        quillon::sim::Server server(quillon::sim::generateController(spec));
        const std::uint16_t port = server.start(0);
        char byte = 0;
        const bool told = write(ready[1], &port, sizeof port) == sizeof port;
        while (told && read(stop[0], &byte, 1) > 0) {
        }
        server.stop();
        _exit(0);
    }
    close(ready[1]);
    close(stop[0]);
    child.stop = stop[1];
    const bool ok = child.pid > 0 && read(ready[0], &child.port, sizeof child.port) == sizeof child.port;
    close(ready[0]);
    return ok;
}

// Frames with the trend drawing 20 series of 30 minutes each, wall and processor time,
// after frames with the same rows watched and none shown.
void benchTrend(zolt::ui::Application& app, MainWindow& mainWindow, int frames) {
    constexpr int seriesCount = 20;
    constexpr int samples = 30 * 60;
    TagInspector& inspector = TagInspector::instance();
    TrendView& trend = *mainWindow.getTrendView();
    trend.setVisible(true); // as its box in the status line does
    std::vector<std::string> names;
    for (int i = 0; i < seriesCount; ++i) {
        names.push_back("Trend" + std::to_string(i));
        zoltc_logix_tag_info info{};
        info.type = i % 2 == 0 ? ZOLTC_LOGIX_TYPE_DINT : ZOLTC_LOGIX_TYPE_REAL;
        inspector.addTag(info, names.back());
    }
    TagInspector::ReadBatch batch;
    batch.entries = inspector.entries();
    batch.values.resize(seriesCount);
    const std::int64_t now = inspector.now();
    for (int s = 0; s < samples; ++s) {
        batch.startTime = now - static_cast<std::int64_t>(samples - s) * TagInspector::readInterval;
        for (int i = 0; i < seriesCount; ++i) {
            TagValue& value = batch.values[static_cast<std::size_t>(i)];
            value.result = ZOLTC_LOGIX_OK;
            value.type = batch.entries[static_cast<std::size_t>(i)].type;
            // A wave with a ripple, so that every sample moves the line.
            const double x = static_cast<double>(s) / (20.0 + i);
            value.value = std::to_string(100.0 * i + 50.0 * std::sin(x) + 5.0 * std::sin(7.3 * x));
        }
        trend.getHistory().record(batch);
    }
    trend.setWindowMinutes(30);
    std::vector<double> cpu;
    const auto measure = [&](const char* what) {
        std::vector<double> wall;
        cpu.clear();
        for (int i = 0; i < frames; ++i) {
            const double before = threadCpuMs();
            wall.push_back(frameMs(app));
            cpu.push_back(threadCpuMs() - before);
        }
        print(what, stats(wall));
        print("  their UI thread's processor time", stats(cpu));
    };
    std::printf("trend: %d watched rows, %d samples each (headless, %d frames)\n", seriesCount, samples, frames);
    measure("idle, none shown");
    for (const std::string& name : names) {
        trend.setShown(name, true);
    }
    app.runFrame();
    std::size_t points = 0;
    for (const std::size_t drawn : trend.lastDrawn().points) {
        points += drawn;
    }
    measure("idle, 20 series x 30 minutes shown");
    std::printf("  %-44s %zu\n", "points drawn a frame", points);
    inspector.clear();
    trend.setVisible(false);
}

int runLarge() {
    quillon::sim::GenerateSpec spec;
    spec.tags = 150000;
    spec.types = 2000;
    spec.programs = 100;
    spec.programTags = 1000;
    ChildSimulator simulator;
    if (!startChildSimulator(spec, simulator)) {
        std::fprintf(stderr, "views_bench: the simulator did not start\n");
        return 1;
    }
    AssetPack::instance().load(findAssetPackPath().string());
    ThreadPool::instance().init(1);
    int status = 1;
    {
        zolt::ui::Application app(zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "views_bench"),
                                  "views_bench");
        MainWindow mainWindow;
        app.runFrames(3);
        const double baseline = statusMiB("VmRSS");
        std::printf("250 000 tags, 2 000 structure types, 100 programs (headless)\n");
        const auto start = Clock::now();
        if (connect(simulator.port) && loadTree(app, *mainWindow.getTreeView(), nullptr)) {
            std::printf("  %-44s %8.0f ms\n", "connect, list and every program's rows",
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            std::printf("  %-44s %8.1f MiB (%.1f MiB before connecting)\n", "peak memory (RSS high-water)",
                        statusMiB("VmHWM"), baseline);
            status = 0;
        }
        AppState::instance().disconnect();
        ThreadPool::instance().stop();
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "large") {
        return runLarge();
    }
    const bool trendOnly = argc > 1 && std::string(argv[1]) == "trend";
    const int idleFrames = argc > 1 && !trendOnly ? std::atoi(argv[1]) : 300;
    if (idleFrames <= 0) {
        std::fprintf(stderr, "usage: views_bench [idle-frames]\n");
        return 2;
    }
    AssetPack::instance().load(findAssetPackPath().string());
    ThreadPool::instance().init(1);
    int status = 0;
    {
        zolt::ui::Application app(zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "views_bench"),
                                  "views_bench");
        MainWindow mainWindow;
        TreeView& tree = *mainWindow.getTreeView();
        app.runFrames(3);
        benchTrend(app, mainWindow, idleFrames);
        if (trendOnly) {
            ThreadPool::instance().stop();
            return 0;
        }

        quillon::sim::GenerateSpec spec;
        spec.tags = 24880;
        spec.types = 200;
        spec.programs = 0;
        std::printf("generated controller, 99 984 records (headless, %d idle frames)\n", idleFrames);
        {
            quillon::sim::Server server(quillon::sim::generateController(spec));
            const std::uint16_t port = server.start(0);
            if (!connect(port) || !loadTree(app, tree, nullptr)) {
                status = 1;
            } else {
                print("idle, tree collapsed", idle(app, idleFrames));
                print("scrolling (200 places, 40 wheel steps)", scroll(app, tree, 200));
            }
            AppState::instance().disconnect();
            app.runFrames(2); // the tree sees the connection end
        }

        std::printf("controller with a 10 000-element DINT array\n");
        if (status == 0) {
            quillon::sim::Server server(quillon::sim::parseController(arrayController()));
            const std::uint16_t port = server.start(0);
            const TreeItem* previous = tree.getItems().front().get();
            if (!connect(port) || !loadTree(app, tree, previous)) {
                status = 1;
            } else {
                app.runFrames(2);
                TreeItem& big = *tree.getItems().front();
                const zolt::ui::Vec2 panel = tree.getTreePanel()->getWorldPosition();
                const zolt::ui::Vec2 arrow{panel.x + big.getGeometry().origin.x + 12.0f,
                                           panel.y + big.getGeometry().origin.y + 10.0f};
                zolt::ui::Window& window = *mainWindow.getWindow();
                std::vector<double> opening;
                window.injectMouseMove(arrow.x, arrow.y);
                opening.push_back(frameMs(app));
                window.injectMouseButton(zolt::ui::kMouseLeft, true);
                opening.push_back(frameMs(app));
                window.injectMouseButton(zolt::ui::kMouseLeft, false);
                opening.push_back(frameMs(app));
                opening.push_back(frameMs(app));
                print("frames of the click opening the array", stats(opening));
                std::printf("  array row open: %s, %zu element rows\n", big.isOpen() ? "yes" : "NO",
                            big.getChildCount());
                print("idle, 10 000 elements open", idle(app, idleFrames));
                print("scrolling (200 places, 40 wheel steps)", scroll(app, tree, 200));
                status = big.isOpen() ? 0 : 1;
            }
            AppState::instance().disconnect();
            app.runFrames(2);
        }
        std::printf("hostile controller: 100 000 structures with a 65 535-element member\n");
        if (status == 0) {
            quillon::sim::Server server(quillon::sim::parseController(hostileController()), hostileOptions());
            const TreeItem* previous = tree.getItems().front().get();
            if (!connect(server.start(0)) || !loadTree(app, tree, previous)) {
                status = 1;
            } else {
                zolt::ui::Window& window = *mainWindow.getWindow();
                print("frames after typing one character", typeFilter(app, window, tree, "q", 200));
                std::printf("  filter running after them: %s, %zu checks in the last frame, %zu in all\n",
                            tree.getFilter().isRunning() ? "yes" : "no", tree.getFilter().lastStepWork(),
                            tree.getFilter().checked());
                print("frames after typing 'Huge[1].Big[7]'", typeFilter(app, window, tree, "Huge[1].Big[7]", 30));
                std::printf("  filter running after them: %s\n", tree.getFilter().isRunning() ? "yes" : "no");
                typeFilter(app, window, tree, "", 3);
                // What one character cost before the filter was spread over frames: the whole
                // walk below the tag in the frame that saw the text.
                const auto start = Clock::now();
                const zoltc_logix_tag_info& huge = *static_cast<const TagItem&>(*tree.getItems().front()).getInfo();
                const bool kept = filterKeeps("Huge", "Huge", huge, "q");
                std::printf("  %-44s %8.0f ms (kept: %s)\n", "the same walk in one frame (as before)",
                            std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                            kept ? "yes" : "no");
            }
            AppState::instance().disconnect();
            app.runFrames(2);
        }

        std::printf("for comparison: the generated controller with every row built\n");
        if (status == 0) {
            quillon::sim::Server generated(quillon::sim::generateController(spec));
            const TreeItem* previous = tree.getItems().front().get();
            if (!connect(generated.start(0)) || !loadTree(app, tree, previous)) {
                status = 1;
            } else {
                reportFullShape(tree);
                print("idle, every row built, tree collapsed", idle(app, idleFrames));
            }
            AppState::instance().disconnect();
            app.runFrames(2);
            quillon::sim::Server array(quillon::sim::parseController(arrayController()));
            previous = tree.getItems().front().get();
            if (status == 0 && (!connect(array.start(0)) || !loadTree(app, tree, previous))) {
                status = 1;
            }
            AppState::instance().disconnect();
        }
        ThreadPool::instance().stop();
    }
    return status;
}
