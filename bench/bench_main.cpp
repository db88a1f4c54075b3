#include "Bench.h"

#include <QCoreApplication>
#include <cstring>

namespace zrvbench {
std::vector<Benchmark>& Registry() {
    static std::vector<Benchmark> benchmarks;
    return benchmarks;
}
} // namespace zrvbench

// Runs every benchmark, or those whose name contains the first argument.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const auto& b : zrvbench::Registry()) {
        if (argc > 1 && !std::strstr(b.Name.c_str(), argv[1]))
            continue;
        std::printf("== %s\n", b.Name.c_str());
        b.Run();
    }
    return 0;
}
