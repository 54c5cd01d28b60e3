#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// A spaces.json as a heavy user would have it: every record fully set.
SpaceMetaMap thousandSpaces()
{
    SpaceMetaMap metas;
    for (int i = 0; i < 1000; ++i) {
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        SpaceAutomation a;
        a.launchApps = {QStringLiteral("/Applications/Editor %1.app").arg(i), QStringLiteral("/Applications/Terminal.app")};
        a.openURLs = {QStringLiteral("https://example.com/project/%1").arg(i)};
        a.pinnedApps = {QStringLiteral("com.example.editor")};
        a.scriptOnEnter = QStringLiteral("echo entering %1").arg(i);
        a.shortcutOnLeave = QStringLiteral("Wind down");
        a.keystrokeOnEnter = QStringLiteral("cmd+shift+%1").arg(i % 10);
        metas.emplace(id, SpaceMeta{QStringLiteral("Space %1").arg(i), QStringLiteral("terminal"),
                                    QStringLiteral("#4F7BF7"), QStringLiteral("Notes for Space %1, with some text").arg(i),
                                    id + QStringLiteral(".png"), a, QStringLiteral("Group %1").arg(i % 7)});
    }
    return metas;
}

struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("spaces.json"));
    SpaceMetaMap metas = thousandSpaces();
    Fixture() { DataFile::write(path, SpaceMetaCoding::toFileBytes(metas)); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_SpaceStoreLoad1000(benchmark::State& state)
{
    Fixture& f = fixture();
    VirtualScheduler scheduler;
    for (auto _ : state) {
        SpaceStore store(scheduler, f.path);
        if (store.metas().size() != 1000)
            state.SkipWithError("spaces.json did not load");
        benchmark::DoNotOptimize(store.metas());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.path).size());
}
BENCHMARK(BM_SpaceStoreLoad1000)->Unit(benchmark::kMillisecond);

// The debounced save as it runs: encode the whole mapping and replace the file atomically.
void BM_SpaceStoreSave1000(benchmark::State& state)
{
    Fixture& f = fixture();
    VirtualScheduler scheduler;
    SpaceStore store(scheduler, f.dir.filePath(QStringLiteral("saved.json")));
    store.replaceAll(f.metas);
    for (auto _ : state) {
        store.scheduleSave();
        scheduler.advance(SpaceStore::saveDelay);
    }
}
BENCHMARK(BM_SpaceStoreSave1000)->Unit(benchmark::kMillisecond);

// The two halves without the file system.
void BM_SpaceMetaDecode1000(benchmark::State& state)
{
    const QByteArray bytes = SpaceMetaCoding::toFileBytes(fixture().metas);
    for (auto _ : state)
        benchmark::DoNotOptimize(SpaceMetaCoding::fromFileBytes(bytes));
}
BENCHMARK(BM_SpaceMetaDecode1000)->Unit(benchmark::kMillisecond);

void BM_SpaceMetaEncode1000(benchmark::State& state)
{
    const SpaceMetaMap& metas = fixture().metas;
    for (auto _ : state)
        benchmark::DoNotOptimize(SpaceMetaCoding::toFileBytes(metas));
}
BENCHMARK(BM_SpaceMetaEncode1000)->Unit(benchmark::kMillisecond);

} // namespace
