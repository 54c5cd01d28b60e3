#pragma once

#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "UI/MenuBar/StatusItem.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QDBusServiceWatcher;
class QMenu;

namespace lumivast {

class BusMenu;

// One picture of an item as the protocol carries it: ARGB32 in network byte order.
struct NotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using NotifierPixmaps = QList<NotifierPixmap>;

struct NotifierToolTip {
    QString iconName;
    NotifierPixmaps pixmaps;
    QString title;
    QString text;
};

// The status item as a notifier item of our own on the session bus, where a
// status-notifier watcher runs: the image goes into the host's square slot and
// the title beside it as the item's label, which the hosts that show labels
// draw as text. Clicks open the program's own menu where the host says; the
// same menu tree is exported for hosts that draw menus themselves. Changes are
// sent once per redraw, and only what changed. Main thread only.
class NotifierStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
    static constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kItemPath = "/StatusNotifierItem";
    static constexpr const char* kMenuPath = "/MenuBar";
    static constexpr qreal kSlotSide = 22; // hosts do not say; their panels fit about this

    // Whether a watcher with a host that shows its items is on `bus`.
    static bool watcherPresent(const QDBusConnection& bus);

    NotifierStatusItem(Scheduler& scheduler, QDBusConnection bus, QObject* parent = nullptr);
    ~NotifierStatusItem() override;

    // Exports the item and its menu, takes its bus name and asks the watcher
    // to list it (again whenever a watcher starts). False without the name.
    bool start();
    QString serviceName() const { return m_serviceName; }

    void setTitle(const QString& title) override;
    void setImage(const std::optional<Image>& image) override;
    void setImagePosition(ImagePosition position) override;
    void setToolTip(const QString& toolTip) override;
    void setTitleGuide(const QString& guide) override;
    void showMenu(std::vector<MenuItem> items) override;
    std::optional<QRectF> frame() const override { return std::nullopt; }
    qreal devicePixelRatio() const override;
    std::optional<qreal> squareSlot() const override { return kSlotSide; }
    bool titleBesideSlot() const override { return true; }

    // What hosts read, as last sent.
    const QString& label() const { return m_label; }
    const QString& labelGuide() const { return m_guide; }
    const QString& toolTip() const { return m_shownToolTip; }
    const QImage& icon() const { return m_icon; }
    // The icon as a file, for hosts that load icons by name only; empty without a private folder.
    const QString& iconPath() const { return m_iconPath; }
    static NotifierPixmaps pixmaps(const QImage& image);
    // The menu opened last, while it is open.
    QMenu* openMenu() const;

    // What hosts ask.
    void activate(QPoint at, bool context);
    void scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void iconChanged();
    void toolTipChanged();
    void labelChanged(const QString& label, const QString& guide);

private:
    void scheduleRedraw();
    void redraw();
    void registerWithWatcher();
    void writeIconFile();

    Scheduler& m_scheduler;
    QDBusConnection m_bus;
    BusMenu* m_busMenu;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    QString m_serviceName;
    bool m_started = false;

    // As the controller sets them.
    QString m_title;
    std::optional<Image> m_image;
    ImagePosition m_position = ImagePosition::imageLeading;
    QString m_toolTipText;
    QString m_guideText;
    bool m_redrawPending = false;
    // As hosts were last told.
    QString m_label;
    QString m_guide;
    QString m_shownToolTip;
    QImage m_icon;
    QString m_iconFolder;
    QString m_iconPath;
    QStringList m_iconFiles; // written, oldest first; the last two are kept for hosts still reading

    std::optional<QPoint> m_menuPoint; // where a host asked for the menu
    QPointer<QMenu> m_menu;
    Lifetime m_lifetime{m_scheduler};
};

class NotifierItemAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_CLASSINFO("D-Bus Introspection", ""
"  <interface name=\"org.kde.StatusNotifierItem\">\n"
"    <property name=\"Category\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"Id\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"Title\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"WindowId\" type=\"i\" access=\"read\"/>\n"
"    <property name=\"IconThemePath\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"IconName\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
"    <property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
"    <property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
"    <property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>\n"
"    <property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>\n"
"    <property name=\"Menu\" type=\"o\" access=\"read\"/>\n"
"    <property name=\"XAyatanaLabel\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"XAyatanaLabelGuide\" type=\"s\" access=\"read\"/>\n"
"    <property name=\"XAyatanaOrderingIndex\" type=\"u\" access=\"read\"/>\n"
"    <method name=\"ContextMenu\">\n"
"      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
"    </method>\n"
"    <method name=\"Activate\">\n"
"      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
"    </method>\n"
"    <method name=\"SecondaryActivate\">\n"
"      <arg name=\"x\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"y\" type=\"i\" direction=\"in\"/>\n"
"    </method>\n"
"    <method name=\"Scroll\">\n"
"      <arg name=\"delta\" type=\"i\" direction=\"in\"/>\n"
"      <arg name=\"orientation\" type=\"s\" direction=\"in\"/>\n"
"    </method>\n"
"    <signal name=\"NewTitle\"/>\n"
"    <signal name=\"NewIcon\"/>\n"
"    <signal name=\"NewAttentionIcon\"/>\n"
"    <signal name=\"NewOverlayIcon\"/>\n"
"    <signal name=\"NewToolTip\"/>\n"
"    <signal name=\"NewStatus\">\n"
"      <arg name=\"status\" type=\"s\"/>\n"
"    </signal>\n"
"    <signal name=\"XAyatanaNewLabel\">\n"
"      <arg name=\"label\" type=\"s\"/>\n"
"      <arg name=\"guide\" type=\"s\"/>\n"
"    </signal>\n"
"  </interface>\n")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ none)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QList<lumivast::NotifierPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ none)
    Q_PROPERTY(QList<lumivast::NotifierPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ none)
    Q_PROPERTY(QList<lumivast::NotifierPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ none)
    Q_PROPERTY(lumivast::NotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex)
public:
    explicit NotifierItemAdaptor(NotifierStatusItem* item);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("lumivast"); }
    QString title() const { return QStringLiteral("Lumivast"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString none() const { return {}; }
    NotifierPixmaps iconPixmap() const;
    QString iconName() const;
    NotifierPixmaps noPixmaps() const { return {}; }
    NotifierToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;
    QString label() const;
    QString labelGuide() const;
    uint orderingIndex() const { return 0; }

public Q_SLOTS:
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    NotifierStatusItem* m_item;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, NotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const NotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, NotifierToolTip& toolTip);

} // namespace lumivast

Q_DECLARE_METATYPE(lumivast::NotifierPixmap)
Q_DECLARE_METATYPE(lumivast::NotifierToolTip)
