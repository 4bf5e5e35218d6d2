#pragma once
// The end of every benchmark program's main, once its benchmarks are registered.

#include <benchmark/benchmark.h>

namespace bench {

// A benchmark timed once (the largest set) would pay alone for the first touch of every page it
// allocates, which repeated runs pay once and which a benchmark run earlier leaves to the next:
// it runs `once` first, untimed, so that every measure stands on the same footing.
template <class Run>
void untimedFirstWhenSingle(const benchmark::State& state, Run once)
{
    if (state.max_iterations == 1)
        once();
}

// Reads Google Benchmark's own arguments, runs what was registered and reports it.
inline int runRegisteredBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
