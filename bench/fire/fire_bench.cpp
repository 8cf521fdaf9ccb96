// Time of one frame of the fire: seeding, burning the grid and composing the picture,
// then the same with the copy onto the window.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

#include "about/flame.h"
#include "about/name_image.h"

namespace {

// A fire that burns only when told to, already well alight, with the name over it.
class BenchFlame : public TFlame {
public:
    BenchFlame() {
        SetEnabled(false);
        SetImage(drawNameImage());
        for (int tick = 0; tick < 100; ++tick)
            Tick();
    }
};

void OneTick(benchmark::State& state) {
    BenchFlame flame;
    for (auto _ : state)
        flame.Tick();
}
BENCHMARK(OneTick)->Unit(benchmark::kMicrosecond);

void OneTickOnScreen(benchmark::State& state) {
    BenchFlame flame;
    flame.show();
    for (auto _ : state) {
        flame.Tick();
        flame.repaint();
    }
}
BENCHMARK(OneTickOnScreen)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::srand(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
