#include "Platform/X11/DesktopEntries.h"

#include <QFileInfo>

// GLib's headers name a member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace lumivast::x11 {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString withoutSuffix(QString id)
{
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

GObjectPtr<GDesktopAppInfo> entryOfId(const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return nullptr;
    return GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new((id + QStringLiteral(".desktop")).toUtf8().constData()));
}

QString iconOfEntry(GDesktopAppInfo* entry)
{
    if (!entry)
        return {};
    gchar* icon = g_desktop_app_info_get_string(entry, "Icon");
    const QString name = fromUtf8(icon);
    g_free(icon);
    return name.trimmed();
}

} // namespace

DesktopEntries& DesktopEntries::shared()
{
    static DesktopEntries entries;
    return entries;
}

DesktopEntries::DesktopEntries()
{
    GAppInfoMonitor* monitor = g_app_info_monitor_get();
    g_signal_connect(monitor, "changed", G_CALLBACK(&DesktopEntries::changed), this);
    m_monitor = monitor;
}

DesktopEntries::~DesktopEntries()
{
    auto* monitor = static_cast<GAppInfoMonitor*>(m_monitor);
    g_signal_handlers_disconnect_by_data(monitor, this);
    g_object_unref(monitor);
}

void DesktopEntries::changed(void*, void* self)
{
    static_cast<DesktopEntries*>(self)->forget();
}

void DesktopEntries::forget()
{
    std::lock_guard lock(m_mutex);
    m_read = false;
    m_byClass.clear();
}

std::optional<DesktopEntries::Application> DesktopEntries::forClass(const QString& windowClass)
{
    if (windowClass.isEmpty())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    if (!m_read) {
        // One reading of every entry answers every class until the folders change. A class an
        // entry names in StartupWMClass goes to it before an entry that only has the class's id.
        GList* all = g_app_info_get_all();
        std::map<QString, Application> byId;
        for (GList* item = all; item; item = item->next) {
            auto* info = G_APP_INFO(item->data);
            if (!G_IS_DESKTOP_APP_INFO(info))
                continue;
            const Application app{withoutSuffix(fromUtf8(g_app_info_get_id(info))), fromUtf8(g_app_info_get_name(info))};
            if (app.id.isEmpty())
                continue;
            if (const char* wmClass = g_desktop_app_info_get_startup_wm_class(G_DESKTOP_APP_INFO(info)); wmClass && *wmClass)
                m_byClass.try_emplace(QString::fromUtf8(wmClass).toLower(), app);
            byId.try_emplace(app.id.toLower(), app);
        }
        g_list_free_full(all, g_object_unref);
        for (auto& [key, app] : byId)
            m_byClass.try_emplace(key, std::move(app));
        m_read = true;
    }
    const auto it = m_byClass.find(windowClass.toLower());
    if (it == m_byClass.end())
        return std::nullopt;
    return it->second;
}

std::optional<QString> DesktopEntries::fileOf(const QString& id)
{
    const GObjectPtr<GDesktopAppInfo> entry = entryOfId(id);
    const char* file = entry ? g_desktop_app_info_get_filename(entry.get()) : nullptr;
    if (!file)
        return std::nullopt;
    return QString::fromLocal8Bit(file);
}

QString DesktopEntries::iconOf(const QString& id)
{
    return iconOfEntry(entryOfId(id).get());
}

QString DesktopEntries::iconOfFile(const QString& path)
{
    const GObjectPtr<GDesktopAppInfo> entry(g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData()));
    return iconOfEntry(entry.get());
}

std::expected<std::int32_t, QString> DesktopEntries::launch(const QString& path, const QStringList& arguments)
{
    // The entry as written, but for the arguments, which go after its command as the words they are.
    GKeyFile* keys = g_key_file_new();
    GError* error = nullptr;
    if (!g_key_file_load_from_file(keys, QFile::encodeName(path).constData(), G_KEY_FILE_KEEP_TRANSLATIONS, &error)) {
        const QString why = fromUtf8(error ? error->message : nullptr);
        g_clear_error(&error);
        g_key_file_free(keys);
        return std::unexpected(QStringLiteral("%1 cannot be read: %2").arg(path, why));
    }
    if (!arguments.isEmpty()) {
        gchar* exec = g_key_file_get_string(keys, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
        QByteArray command = exec ? QByteArray(exec) : QByteArray();
        g_free(exec);
        for (const QString& argument : arguments) {
            // Quoted as the entry format asks; a % in an argument is not a field code.
            gchar* quoted = g_shell_quote(argument.toUtf8().replace('%', "%%").constData());
            command += ' ';
            command += quoted;
            g_free(quoted);
        }
        g_key_file_set_string(keys, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, command.constData());
    }
    GObjectPtr<GDesktopAppInfo> entry(g_desktop_app_info_new_from_keyfile(keys));
    g_key_file_free(keys);
    if (!entry)
        return std::unexpected(QStringLiteral("%1 is not an application").arg(path));
    GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
    GPid started = 0;
    const auto notePid = [](GDesktopAppInfo*, GPid pid, gpointer slot) { *static_cast<GPid*>(slot) = pid; };
    const gboolean ok = g_desktop_app_info_launch_uris_as_manager(
        entry.get(), nullptr, context.get(), G_SPAWN_SEARCH_PATH, nullptr, nullptr, +notePid, &started, &error);
    if (!ok) {
        g_clear_error(&error);
        return std::unexpected(QStringLiteral("The application could not be started."));
    }
    return std::int32_t(started);
}

} // namespace lumivast::x11
