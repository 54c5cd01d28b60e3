#include <QGuiApplication>

#include <benchmark/benchmark.h>

// One main for every benchmark file in this folder. Qt objects need an
// application, and painting previews (text included) a GUI one, headless.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
