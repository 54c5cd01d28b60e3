#include "UI/Settings/SettingsWindow.h"

#include "Core/Settings/Settings.h"
#include "UI/Settings/SettingsPanes.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lumivast {

namespace {

constexpr int kTabRole = Qt::UserRole + 1;
constexpr int kSidebarIconSize = 18;

QString translatedTitle(SettingsTab tab)
{
    return QCoreApplication::translate("lumivast::SettingsWindow", title(tab).toUtf8().constData());
}

} // namespace

SettingsWindow::SettingsWindow(SettingsServices& services, SettingsNavigation& navigation, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_services(services)
    , m_navigation(navigation)
{
    setWindowTitle(tr("Lumivast Settings"));
    setObjectName(QStringLiteral("LumivastSettings"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_sidebar = new QListWidget(this);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setMinimumWidth(kSidebarMinWidth);
    m_sidebar->setMaximumWidth(kSidebarMaxWidth);
    m_sidebar->setFixedWidth(kSidebarWidth);
    m_sidebar->setIconSize(QSize(kSidebarIconSize, kSidebarIconSize));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setSpacing(1);
    m_sidebar->setUniformItemSizes(true);
    {
        QFont font = m_sidebar->font();
        font.setPointSizeF(font.pointSizeF() * 1.05);
        m_sidebar->setFont(font);
    }
    const QColor iconColor = palette().color(QPalette::WindowText);
    const QColor selectedColor = m_sidebar->palette().color(QPalette::HighlightedText);
    for (SettingsTab tab : allSettingsTabs()) {
        auto* item = new QListWidgetItem(translatedTitle(tab), m_sidebar);
        item->setData(kTabRole, int(tab));
        // On the selection's colour the symbol takes the selected text's colour, as the title does.
        QIcon icon(SymbolCatalogue::image(symbol(tab), kSidebarIconSize, iconColor, devicePixelRatioF()));
        icon.addPixmap(SymbolCatalogue::image(symbol(tab), kSidebarIconSize, selectedColor, devicePixelRatioF()), QIcon::Selected);
        item->setIcon(icon);
        item->setSizeHint(QSize(kSidebarWidth - 8, 30));
    }
    layout->addWidget(m_sidebar);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::VLine);
    rule->setFrameShadow(QFrame::Plain);
    rule->setForegroundRole(QPalette::Mid);
    layout->addWidget(rule);

    m_detail = new QWidget(this);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setMinimumSize(kDetailMinWidth, kDetailMinHeight);
    m_detailLayout = new QVBoxLayout(m_detail);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_detail, 1);

    // The selection follows the navigation, and a click never leaves it empty.
    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_sidebar->selectedItems();
        if (selected.isEmpty()) {
            selectTabRow();
            return;
        }
        m_navigation.setTab(SettingsTab(selected.front()->data(kTabRole).toInt()));
    });
    connect(&m_navigation, &SettingsNavigation::tabChanged, this, [this] {
        selectTabRow();
        replacePane();
    });
    selectTabRow();
    replacePane();
}

SettingsWindow::~SettingsWindow()
{
    // The pane goes while the services it was given still exist.
    delete m_pane.data();
}

QSize SettingsWindow::savedSize()
{
    const auto text = Settings::defaults().string(kFrameKey);
    if (text) {
        const QStringList parts = text->split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool okW = false;
        bool okH = false;
        const int w = parts.size() == 4 ? parts[2].toInt(&okW) : 0;
        const int h = parts.size() == 4 ? parts[3].toInt(&okH) : 0;
        if (okW && okH && w > 0 && h > 0)
            return QSize(w, h);
    }
    return kDefaultSize;
}

void SettingsWindow::selectTabRow()
{
    const QSignalBlocker quiet(m_sidebar);
    for (int row = 0; row < m_sidebar->count(); ++row) {
        QListWidgetItem* item = m_sidebar->item(row);
        if (SettingsTab(item->data(kTabRole).toInt()) == m_navigation.tab()) {
            m_sidebar->setCurrentItem(item);
            item->setSelected(true);
            return;
        }
    }
}

void SettingsWindow::replacePane()
{
    if (m_pane) {
        // Hidden first, so a pane that saves on going off screen does so while it still works.
        m_pane->hide();
        delete m_pane.data();
    }
    m_pane = makeSettingsPane(m_navigation.tab(), m_services, m_navigation);
    if (m_pane) {
        m_pane->setParent(m_detail);
        m_detailLayout->addWidget(m_pane);
        m_pane->show();
    }
    emit paneReplaced();
}

void SettingsWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    scheduleFrameSave();
}

void SettingsWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    scheduleFrameSave();
}

void SettingsWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_frameWork.isPending()) {
        m_frameWork.cancel();
        saveFrame();
    }
}

void SettingsWindow::scheduleFrameSave()
{
    if (!isVisible())
        return;
    QPointer<SettingsWindow> self(this);
    m_frameWork = m_services.scheduler.after(kFrameSaveDelay, [self] {
        if (self)
            self->saveFrame();
    });
}

void SettingsWindow::saveFrame()
{
    const QRect frame = geometry();
    Settings::defaults().set(kFrameKey, QStringLiteral("%1 %2 %3 %4")
                                            .arg(frame.x())
                                            .arg(frame.y())
                                            .arg(frame.width())
                                            .arg(frame.height()));
}

SettingsWindowController::SettingsWindowController(SettingsServices& services, QObject* parent)
    : QObject(parent)
    , m_services(services)
{
}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::show(std::optional<SettingsTab> tab, std::optional<QString> spaceID)
{
    if (!m_window) {
        m_window = std::make_unique<SettingsWindow>(m_services, m_navigation);
        m_window->resize(SettingsWindow::savedSize());
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), m_window->size());
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    // The Space first: the Spaces pane, built by the tab change, then finds it selected.
    if (spaceID)
        m_navigation.setSelectedSpaceID(spaceID);
    if (tab)
        m_navigation.setTab(*tab);
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace lumivast
