#pragma once
// A tiny benchmark runner: each benchmark prints its figures, usually as a ratio against a
// baseline measured in the same run.

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zrvbench {

struct Benchmark {
    std::string Name;
    std::function<void()> Run;
};

std::vector<Benchmark>& Registry();

struct Register {
    Register(const char* aName, std::function<void()> aRun) {
        Registry().push_back({aName, std::move(aRun)});
    }
};

// Seconds per call of aWork, over aIterations calls.
template <class F> double SecondsPerCall(int aIterations, F&& aWork) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < aIterations; ++i)
        aWork();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / aIterations;
}

inline void PrintRatio(const char* aWhat, double aSeconds, const char* aBaseline, double aBaselineSeconds) {
    std::printf("%-48s %12.3f us   %-32s %12.3f us   ratio %8.2f\n", aWhat, aSeconds * 1e6, aBaseline,
                aBaselineSeconds * 1e6, aBaselineSeconds > 0 ? aSeconds / aBaselineSeconds : 0.0);
}

} // namespace zrvbench

#define ZRV_BENCH_CAT2(a, b) a##b
#define ZRV_BENCH_CAT(a, b) ZRV_BENCH_CAT2(a, b)
#define ZRV_BENCHMARK(Name)                                                                                  \
    static void Name();                                                                                      \
    static zrvbench::Register ZRV_BENCH_CAT(reg_, Name)(#Name, Name);                                        \
    static void Name()
