#include "App/NotifierStatusItem.h"

#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/PrivateFolder.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "App/BusMenu.h"
#include "UI/Menus/MenuAdapter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QtEndian>

namespace lumivast {

namespace {

QString text(const char* s)
{
    return QString::fromLatin1(s);
}

// One wheel notch as hosts that send angles report it; others send one per notch.
constexpr int kNotchAngle = 120;

} // namespace

bool NotifierStatusItem::watcherPresent(const QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(text(kWatcherService)))
        return false;
    // A watcher without a host lists items that nobody shows.
    QDBusMessage get = QDBusMessage::createMethodCall(text(kWatcherService), text(kWatcherPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << text(kWatcherInterface) << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage
        && reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

NotifierStatusItem::NotifierStatusItem(Scheduler& scheduler, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_bus(std::move(bus))
    , m_busMenu(new BusMenu(scheduler, this))
{
    qDBusRegisterMetaType<NotifierPixmap>();
    qDBusRegisterMetaType<NotifierPixmaps>();
    qDBusRegisterMetaType<NotifierToolTip>();
    new NotifierItemAdaptor(this);
    m_busMenu->tree = [this] { return menuTree ? menuTree() : std::vector<MenuItem>(); };
    redraw();
}

NotifierStatusItem::~NotifierStatusItem()
{
    if (m_menu)
        delete m_menu.data();
    for (const QString& file : m_iconFiles)
        QFile::remove(file);
    if (m_started) {
        m_bus.unregisterService(m_serviceName);
        m_bus.unregisterObject(text(kItemPath));
        m_bus.unregisterObject(text(kMenuPath));
    }
}

bool NotifierStatusItem::start()
{
    if (m_started)
        return true;
    if (!m_bus.registerObject(text(kItemPath), this, QDBusConnection::ExportAdaptors)
        || !m_bus.registerObject(text(kMenuPath), m_busMenu, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcApp) << "could not export the status item on the session bus";
        m_bus.unregisterObject(text(kItemPath));
        return false;
    }
    // The name hosts expect: the process and a count of its items.
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
    if (!m_bus.registerService(m_serviceName)) {
        qCWarning(lcApp) << "the status item's bus name is taken:" << m_bus.lastError().message();
        m_bus.unregisterObject(text(kItemPath));
        m_bus.unregisterObject(text(kMenuPath));
        return false;
    }
    m_started = true;
    // Some hosts load an item's icon only by name: a file of our own, named by its content.
    const PrivateFolder::Folder folder = PrivateFolder::find();
    if (folder.error.isEmpty()) {
        m_iconFolder = folder.path + QStringLiteral("/status-item");
        if (PrivateFolder::claim(m_iconFolder).isEmpty())
            writeIconFile();
        else
            m_iconFolder.clear();
    }
    // A panel that restarts starts a new watcher, which knows no items.
    m_watcherWatch = new QDBusServiceWatcher(text(kWatcherService), m_bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcherWatch, &QDBusServiceWatcher::serviceRegistered, this, &NotifierStatusItem::registerWithWatcher);
    registerWithWatcher();
    return true;
}

void NotifierStatusItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(text(kWatcherService), text(kWatcherPath),
                                                       text(kWatcherInterface),
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    // Not waited for: the watcher may be slow, and the item is shown when it answers.
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* watcher) {
        if (watcher->isError())
            qCWarning(lcApp) << "the status-notifier watcher refused the status item:" << watcher->error().message();
        watcher->deleteLater();
    });
}

void NotifierStatusItem::setTitle(const QString& title)
{
    m_title = title;
    scheduleRedraw();
}

void NotifierStatusItem::setImage(const std::optional<Image>& image)
{
    m_image = image;
    scheduleRedraw();
}

void NotifierStatusItem::setImagePosition(ImagePosition position)
{
    m_position = position;
    scheduleRedraw();
}

void NotifierStatusItem::setToolTip(const QString& toolTip)
{
    m_toolTipText = toolTip;
    scheduleRedraw();
}

void NotifierStatusItem::setTitleGuide(const QString& guide)
{
    m_guideText = guide;
    scheduleRedraw();
}

void NotifierStatusItem::scheduleRedraw()
{
    // The controller sets title, image, tooltip and guide one after the other: tell hosts once.
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    m_lifetime.post([this] { redraw(); });
}

void NotifierStatusItem::redraw()
{
    m_redrawPending = false;
    const QColor textColor = QGuiApplication::palette().color(QPalette::WindowText);
    // Only the image goes into the slot; the title is the label beside it.
    const QImage icon = TrayStatusItem::compose(QString(), m_image, ImagePosition::imageOnly, textColor,
                                                devicePixelRatio());
    const QString label = m_position == ImagePosition::imageOnly ? QString() : m_title;
    bool changed = false;
    if (icon != m_icon) {
        m_icon = icon;
        writeIconFile();
        changed = true;
        emit iconChanged();
    }
    if (m_toolTipText != m_shownToolTip) {
        m_shownToolTip = m_toolTipText;
        changed = true;
        emit toolTipChanged();
    }
    if (label != m_label || m_guideText != m_guide) {
        m_label = label;
        m_guide = m_guideText;
        changed = true;
        emit labelChanged(m_label, m_guide);
    }
    // The menu marks the current Space: hosts holding it fetch it again.
    if (changed && m_started)
        m_busMenu->invalidate();
}

void NotifierStatusItem::writeIconFile()
{
    if (m_iconFolder.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    m_icon.save(&buffer, "PNG");
    // A new name for new content: hosts keep what they loaded under a name.
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha1).toHex().left(16));
    const QString path = m_iconFolder + QStringLiteral("/icon-") + hash + QStringLiteral(".png");
    if (path == m_iconPath || !DataFile::write(path, png))
        return;
    m_iconPath = path;
    m_iconFiles.removeAll(path);
    m_iconFiles << path;
    while (m_iconFiles.size() > 2)
        QFile::remove(m_iconFiles.takeFirst());
}

qreal NotifierStatusItem::devicePixelRatio() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->devicePixelRatio() : 1.0;
}

void NotifierStatusItem::activate(QPoint at, bool context)
{
    // Hosts that do not know where the item is send the origin.
    m_menuPoint = at.isNull() ? std::nullopt : std::optional<QPoint>(at);
    Click click;
    click.rightButton = context;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    click.control = modifiers & Qt::ControlModifier;
    click.option = modifiers & Qt::AltModifier;
    // The host's point is on the screen, not in the image: no strip cell can be told.
    if (onClick)
        onClick(click);
}

void NotifierStatusItem::scroll(int delta, const QString& orientation)
{
    const qreal lines = std::abs(delta) >= kNotchAngle ? qreal(delta) / kNotchAngle : qreal(delta);
    Scroll scroll;
    if (orientation.compare(QLatin1String("horizontal"), Qt::CaseInsensitive) == 0)
        scroll.dx = lines;
    else
        scroll.dy = lines;
    if (onScroll)
        onScroll(scroll);
}

void NotifierStatusItem::showMenu(std::vector<MenuItem> items)
{
    if (m_menu)
        m_menu->close();
    m_menu = MenuAdapter::popUp(items, m_scheduler, m_menuPoint.value_or(QCursor::pos()));
}

QMenu* NotifierStatusItem::openMenu() const
{
    return m_menu;
}

NotifierPixmaps NotifierStatusItem::pixmaps(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    NotifierPixmap pixmap{argb.width(), argb.height(), QByteArray()};
    pixmap.bytes.resize(qsizetype(argb.width()) * argb.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.bytes.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            *out++ = qToBigEndian(row[x]);
    }
    return {pixmap};
}

NotifierItemAdaptor::NotifierItemAdaptor(NotifierStatusItem* item) : QDBusAbstractAdaptor(item), m_item(item)
{
    connect(item, &NotifierStatusItem::iconChanged, this, &NotifierItemAdaptor::NewIcon);
    connect(item, &NotifierStatusItem::toolTipChanged, this, &NotifierItemAdaptor::NewToolTip);
    connect(item, &NotifierStatusItem::labelChanged, this, &NotifierItemAdaptor::XAyatanaNewLabel);
}

NotifierPixmaps NotifierItemAdaptor::iconPixmap() const
{
    return NotifierStatusItem::pixmaps(m_item->icon());
}

QString NotifierItemAdaptor::iconName() const
{
    return m_item->iconPath();
}

NotifierToolTip NotifierItemAdaptor::toolTip() const
{
    return NotifierToolTip{QString(), {}, m_item->toolTip(), QString()};
}

QDBusObjectPath NotifierItemAdaptor::menu() const
{
    return QDBusObjectPath(text(NotifierStatusItem::kMenuPath));
}

QString NotifierItemAdaptor::label() const
{
    return m_item->label();
}

QString NotifierItemAdaptor::labelGuide() const
{
    return m_item->labelGuide();
}

void NotifierItemAdaptor::ContextMenu(int x, int y)
{
    m_item->activate(QPoint(x, y), true);
}

void NotifierItemAdaptor::Activate(int x, int y)
{
    m_item->activate(QPoint(x, y), false);
}

void NotifierItemAdaptor::SecondaryActivate(int x, int y)
{
    // A middle click: no action of its own, so it opens the menu like any other click.
    m_item->activate(QPoint(x, y), false);
}

void NotifierItemAdaptor::Scroll(int delta, const QString& orientation)
{
    m_item->scroll(delta, orientation);
}

QDBusArgument& operator<<(QDBusArgument& argument, const NotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NotifierPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const NotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

} // namespace lumivast
