#pragma once
// The end of every benchmark program's main, once its benchmarks are registered.

#include <benchmark/benchmark.h>

namespace bench {

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
