// Cost of one headless frame of a main-window-like widget tree (MainWindowTree.hpp).

#include "MainWindowTree.hpp"


#include <benchmark/benchmark.h>

namespace {

using bench::MainWindowTree;
using namespace zolt::ui;

// A frame in which nothing changed: updates, panels' ImGui frames, draw lists.
void BM_FrameSteady(benchmark::State& state) {
    MainWindowTree tree(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tree.app->runFrame();
    }
    double vertices = 0;
    for (const ImDrawList* list : tree.window->getCanvasDrawLists()) {
        vertices += list->VtxBuffer.Size;
    }
    state.counters["canvas_vertices"] = vertices;
}
BENCHMARK(BM_FrameSteady)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// A frame after a window resize: the whole tree is laid out again as well.
void BM_FrameAfterResize(benchmark::State& state) {
    MainWindowTree tree(static_cast<int>(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        const int width = (++i % 2 != 0) ? 1300 : 1200;
        tree.window->setSize(width, 800);
        tree.root->setPreferredSize(Vec2{static_cast<float>(width), 800});
        tree.app->runFrame();
    }
}
BENCHMARK(BM_FrameAfterResize)->Arg(50)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
