#include <QCoreApplication>

#include <benchmark/benchmark.h>

// One main for every benchmark file in this folder; Qt objects need an application.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
