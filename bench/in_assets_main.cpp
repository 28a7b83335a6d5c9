// The main of the benchmarks that load the game's pieces: they run in the assets
// folder, as the game does, so piece files find their textures.
#include <benchmark/benchmark.h>

#include <filesystem>

int main(int argc, char** argv) {
    std::filesystem::current_path(PIMO_ASSETS);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
