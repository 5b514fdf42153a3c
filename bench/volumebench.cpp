// Measures the 3-D view's rendering: median milliseconds per frame of VolumeRenderer::render (one
// thread per hardware thread and one thread with the vector loops, and with the portable loops)
// and of the point-by-point painter it replaces, for one set of 256 slices of 256 x 256 (a ball
// and a cylinder) in pictures of 256 x 256 and 512 x 512, and whether all give the same pixels.
//   cirvo-bench-volume [REPEATS]
#include "view3d/volumerenderer.h"

#include "volumereference.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <utility>

namespace
{

constexpr int size = 256;

// A ball brightest at its centre, a dimmer cylinder across it, weak noise around them.
std::vector<std::unique_ptr<SliceRecord>> phantomSlices()
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> noise(0, 20);
    std::vector<std::unique_ptr<SliceRecord>> slices;
    for (int z = 0; z < size; ++z) {
        auto slice = std::make_unique<SliceRecord>();
        slice->sw = slice->sh = size;
        slice->values.resize(size_t(size * size));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const double ball = std::hypot(x - 128.0, y - 128.0, z - 128.0);
                const double cylinder = std::hypot(x - 150.0, z - 100.0);
                double v = noise(random);
                if (cylinder < 25)
                    v = 120;
                if (ball < 90)
                    v = 200 - ball;
                slice->values[size_t(y * size + x)] = v;
            }
        slices.push_back(std::move(slice));
    }
    return slices;
}

// After two frames unmeasured: an idle core takes a few frames to reach its speed.
double medianMs(int repeats, const std::function<QImage()>& frame, QImage& last)
{
    for (int i = 0; i < 2; ++i)
        last = frame();
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        last = frame();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const auto slices = phantomSlices();
    VolumeSet set;
    for (const auto& slice : slices)
        set.slices.push_back(slice.get());
    set.sw = set.sh = size;
    set.lo = 30;
    set.hi = 230;
    const std::vector<VolumeSet> sets{set};
    VolumeSet cut = set;
    cut.showCSection = true;
    cut.slider = 10;

    struct Case {
        const char* name;
        ViewBasis view;
        int pw;
        const std::vector<VolumeSet>* sets;
    };
    const ViewBasis oblique = ViewBasis{}.turned({1, 1, 0.3}, 0.6).turned({0, 0, 1}, 0.4);
    ViewBasis filled = oblique;
    filled.scale = 0.5;
    std::vector<VolumeSet> cutSets{cut};
    cutSets.front().csNormal = oblique.nz;
    const Case cases[] = {
        {"default", {}, 256, &sets},
        {"default", {}, 512, &sets},
        {"oblique", oblique, 256, &sets},
        {"oblique", oblique, 512, &sets},
        {"oblique, scale 0.5", filled, 512, &sets},
        {"oblique, cut at 10 %", oblique, 256, &cutSets},
    };
    const int threads = QThread::idealThreadCount();
    std::printf("256 slices of 256 x 256, one set, median of %d frames (point by point: of 3)\n\n",
                repeats);
    std::printf("| view | picture | render, %d threads | 1 thread | portable loops, %d threads | "
                "point by point | ratio | same pixels |\n|---|---|---|---|---|---|---|---|\n",
                threads, threads);
    using Loops = VolumeRenderer::Loops;
    for (const Case& c : cases) {
        const auto timed = [&](int count, const std::function<QImage()>& frame) {
            QImage last;
            const double ms = medianMs(count, frame, last);
            return std::pair(ms, last);
        };
        const auto [fastMs, fast] =
            timed(repeats, [&] { return VolumeRenderer::render(*c.sets, c.view, c.pw, c.pw); });
        const auto [singleMs, single] =
            timed(repeats, [&] { return VolumeRenderer::render(*c.sets, c.view, c.pw, c.pw, 1); });
        const auto [portableMs, portable] = timed(repeats, [&] {
            return VolumeRenderer::render(*c.sets, c.view, c.pw, c.pw, 0, Loops::Portable);
        });
        const auto [plainMs, plain] =
            timed(3, [&] { return volumereference::render(*c.sets, c.view, c.pw, c.pw); });
        std::printf("| %s | %d x %d | %.1f ms | %.1f ms | %.1f ms | %.0f ms | %.0f | %s |\n",
                    c.name, c.pw, c.pw, fastMs, singleMs, portableMs, plainMs, plainMs / fastMs,
                    fast == plain && single == plain && portable == plain ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
