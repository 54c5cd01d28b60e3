#include "BenchWorld.h"

#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimPlatform.h"

#include <QUuid>

#include <unistd.h>

#include <cstdio>

namespace lumivast::bench {

namespace {

QString newUuid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

} // namespace

bool quickRun()
{
    return !qEnvironmentVariableIsEmpty("LUMIVAST_BENCH_QUICK");
}

int sized(int full, int quick)
{
    return quickRun() ? quick : full;
}

std::shared_ptr<SimWorld> spreadWorld(const WorldShape& shape)
{
    auto world = std::make_shared<SimWorld>();
    addApps(*world, shape.apps, 700);
    std::uint64_t managed = 1;
    std::uint32_t window = 1000;
    int owner = 0;
    for (int d = 0; d < shape.displays; ++d) {
        SimWorld::Display display;
        display.uuid = newUuid();
        display.identifier = d == 0 ? QStringLiteral("Main") : display.uuid;
        display.main = d == 0;
        display.number = std::uint32_t(d + 1);
        display.frame = QRectF(1512.0 * d, 0, 1512, 982);
        for (int s = 0; s < shape.spacesPerDisplay; ++s) {
            SimWorld::SimSpace space;
            space.managedID = managed++;
            space.uuid = newUuid();
            display.spaces.push_back(space);
            for (int w = 0; w < shape.windowsPerSpace; ++w) {
                SimWorld::Window item;
                item.id = window++;
                item.pid = 700 + owner++ % shape.apps;
                item.title = QStringLiteral("Window");
                item.frame = QRectF(100 + w * 10, 100, 400, 300);
                item.spaces = {space.managedID};
                world->windows.push_back(std::move(item));
            }
        }
        display.current = display.spaces.front().managedID;
        world->displays.push_back(std::move(display));
    }
    world->setSpacesPreferencesPath({}); // no file traffic in the measurements
    return world;
}

void addOneDisplay(SimWorld& world, const QString& identifier, int spaces)
{
    SimWorld::Display display;
    display.identifier = display.uuid = identifier;
    display.main = true;
    display.number = 1;
    display.frame = QRectF(0, 0, 1512, 982);
    for (int s = 1; s <= spaces; ++s)
        display.spaces.push_back({std::uint64_t(s), QStringLiteral("S%1").arg(s), false, std::nullopt, 0});
    display.current = 1;
    world.displays.push_back(std::move(display));
}

void addApps(SimWorld& world, int count, int firstPid)
{
    for (int a = 0; a < count; ++a)
        world.apps.push_back({firstPid + a, QStringLiteral("org.example.app%1").arg(a), QStringLiteral("App %1").arg(a)});
}

std::shared_ptr<SimWorld> reportWorld(int spaces, int perSpace)
{
    auto world = std::make_shared<SimWorld>();
    addOneDisplay(*world, QStringLiteral("37D8832A-2D66-02CA-B9F7-8F30A301B230"), spaces);
    addApps(*world, 10, 1000);
    for (int s = 1; s <= spaces; ++s) {
        for (int w = 0; w < perSpace; ++w) {
            SimWorld::Window window;
            window.id = std::uint32_t(s * 100 + w);
            window.pid = 1000 + w % 10;
            window.title = QStringLiteral("Report %1 of space %2").arg(w).arg(s);
            window.frame = QRectF(20 * (w % 30), 15 * (w % 30), 700, 500);
            window.spaces = {std::uint64_t(s)};
            world->windows.push_back(std::move(window));
        }
    }
    world->setSpacesPreferencesPath({});
    return world;
}

BenchEnv::BenchEnv(std::shared_ptr<SimWorld> w)
    : world(std::move(w))
{
    Platform::install(SimPlatform::create(world));
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    watcher = std::make_unique<SpaceWatcher>(scheduler, path("absent.plist"));
    store = std::make_unique<SpaceStore>(scheduler, path("spaces.json"));
}

BenchEnv::~BenchEnv()
{
    UserDefaults::setStandard(nullptr);
}

double residentKB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / 1024.0;
}

} // namespace lumivast::bench
