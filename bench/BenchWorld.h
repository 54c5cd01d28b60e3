#pragma once

#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimWorld.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"
#include "UI/Alerts/AlertService.h"

#include <QTemporaryDir>

#include <memory>

// The simulated desktops and the surroundings the benchmarks run in.
namespace lumivast::bench {

// Answers every alert at once, as if dismissed.
class NoAlerts final : public AlertService {
public:
    void dismiss() override {} // none is ever up

protected:
    void show(const Alert&, AlertAnswered answered) override { answered({}); }
};

// Side-by-side 1512 x 982 displays, the first of them "Main", each with its
// own desktops (random UUIDs, the first current). Every desktop holds
// `windowsPerSpace` windows titled "Window", their owners taken in turn from
// `apps` apps with pids from 700.
struct WorldShape {
    int displays = 1;
    int spacesPerDisplay = 16;
    int apps = 0;
    int windowsPerSpace = 0;
};
std::shared_ptr<SimWorld> spreadWorld(const WorldShape& shape);

// One 1512 x 982 display named `identifier` (its UUID too) with desktops
// S1 to S`spaces`, S1 current.
void addOneDisplay(SimWorld& world, const QString& identifier, int spaces);
// The process's resident memory in KiB, from /proc.
double residentKB();
// `count` apps "App 0"... (org.example.app0...) with pids from `firstPid`.
void addApps(SimWorld& world, int count, int firstPid);

// One display with `spaces` desktops of `perSpace` titled windows of ten apps.
std::shared_ptr<SimWorld> reportWorld(int spaces, int perSpace);

// The quick run (LUMIVAST_BENCH_QUICK set, as ./test does) runs every benchmark
// once on a small load, only to show that it still runs: its figures mean nothing.
bool quickRun();
// `full` in a measuring run, `quick` in the quick one.
int sized(int full, int quick = 1);

// `world` installed as the platform, the settings in a scratch folder as the
// standard ones (defaults registered), a virtual clock, and the watcher and
// the store most measured parts read from; nothing is started.
struct BenchEnv {
    explicit BenchEnv(std::shared_ptr<SimWorld> world);
    ~BenchEnv();
    BenchEnv(const BenchEnv&) = delete;
    BenchEnv& operator=(const BenchEnv&) = delete;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("bench"), path("defaults.json")};
    VirtualScheduler scheduler;
    std::shared_ptr<SimWorld> world;
    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceStore> store;
};

} // namespace lumivast::bench
