#include <QApplication>

#include <benchmark/benchmark.h>

// One main for every benchmark file in this folder; Qt objects need an application.
int main(int argc, char** argv)
{
    // Widgets are measured too, on the headless platform unless another is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
