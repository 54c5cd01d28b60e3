#pragma once

// Shared by the fuzz targets: each target hands outside bytes to one of the
// program's own readers and checks what must hold beyond "no crash".

#include "Platform/PlatformFallback.h"
#include "Platform/Sim/SimPlatform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace lumivast::fuzz {

// A target that installs no platform reads and writes against the built-in simulated world.
inline const bool fallbackPlatformSet = [] {
    setFallbackPlatform([] { return SimPlatform::create(SimWorld::defaultWorld()); });
    return true;
}();

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken promise: report it and stop, so the fuzzer keeps the input.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void check(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

// Qt objects that look for an application find one; made once. The
// program's warnings (a file set aside, a request refused) are expected here
// by the million and would only slow the fuzzer down.
inline void ensureApplication()
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)quiet;
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "lumivast-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
}

// A private folder for the targets that go through files; HOME and the XDG
// folders point into it so nothing of the user's is touched.
inline const QString& scratch()
{
    static QTemporaryDir* dir = [] {
        auto* d = new QTemporaryDir;
        qputenv("HOME", d->path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (d->path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (d->path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", (d->path() + QStringLiteral("/runtime")).toUtf8());
        return d;
    }();
    static const QString path = dir->path();
    return path;
}

// A clean folder for one input.
inline QString freshFolder(const QString& name)
{
    QDir folder(scratch() + QLatin1Char('/') + name);
    folder.removeRecursively();
    QDir().mkpath(folder.path());
    return folder.path();
}

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// After a reader met `content` in `path` and could not decode it, the bytes
// must still exist somewhere in the folder, whole: at the path itself or set aside beside it.
inline bool keptWhole(const QString& folder, const QByteArray& content)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (readFile(folder + QLatin1Char('/') + name) == content)
            return true;
    }
    return false;
}

} // namespace lumivast::fuzz
