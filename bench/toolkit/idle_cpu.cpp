// CPU cost of the main loop with the OpenGL back end and a main-window-like tree: the
// process's CPU time over some seconds of Application::run() while nobody touches the
// window ("idle"), and the same with a frame asked for in every frame ("continuous", what
// an animation costs, and how the loop ran before it waited for events), with the median
// time of a frame. Run by hand under a display, e.g.
//   xvfb-run -a bin/toolkit_idle_cpu idle 10
//   xvfb-run -a bin/toolkit_idle_cpu continuous 10

#include "MainWindowTree.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    const bool continuous = argc > 1 && std::strcmp(argv[1], "continuous") == 0;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;

    bench::MainWindowTree tree(50, zolt::ui::kBackendOpenGL);
    tree.app->runFrames(10); // fonts, textures and shaders are made before the measurement
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<double> frameMs;
    auto last = start;
    int key = 0;
    zolt::ui::Application::registerTickCallback(&key, [&] {
        const auto now = Clock::now();
        frameMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        if (now >= end) {
            tree.app->quit();
        } else if (continuous) {
            zolt::ui::Application::requestFrame();
        } else {
            zolt::ui::Application::requestFrameAt(end);
        }
    });
    const double cpu0 = processCpuSeconds();
    tree.app->run();
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    zolt::ui::Application::unregisterTickCallback(&key);

    std::sort(frameMs.begin(), frameMs.end());
    const double median = frameMs.empty() ? 0.0 : frameMs[frameMs.size() / 2];
    std::printf("%s: %.2f%% of one core (%.3f s CPU in %.2f s), %zu frames, median frame interval %.2f ms\n",
                continuous ? "continuous" : "idle", 100.0 * cpu / wall, cpu, wall, frameMs.size(), median);
    return 0;
}
