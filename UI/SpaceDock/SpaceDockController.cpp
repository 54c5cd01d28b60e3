#include "UI/SpaceDock/SpaceDockController.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Platform.h"

#include <QVBoxLayout>

#include <set>

namespace lumivast {

namespace {

constexpr double kLeftInset = 12;

} // namespace

SpaceDockController::SpaceDockController(Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_scheduler(scheduler)
{
}

SpaceDockController::~SpaceDockController() = default;

void SpaceDockController::applyFrame(const QRectF& frame)
{
    m_panel->setModelFrame(frame);
    m_panel->saveFrame();
}

void SpaceDockController::makePanel()
{
    m_panel = std::make_unique<Panel>(m_scheduler, Panel::Options{.takesKeys = false, .clickThrough = false,
                                                                  .level = Panel::Level::floating});
    auto* layout = new QVBoxLayout(m_panel.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    m_view = new SpaceDockView(m_model, m_panel.get());
    layout->addWidget(m_view);
    // Dragging the background moves the column, and the panel remembers where.
    m_panel->setFrameAutosaveName(kAutosaveName);
    m_view->onDrag = [this](QPoint delta) { m_panel->dragBy(delta); };
    m_view->onDragEnd = [this] { m_panel->endDrag(); };
}

void SpaceDockController::update(const std::vector<SpaceContents::WindowInfo>& windows, const QString& spaceName)
{
    if (!Settings::defaults().boolValue(Settings::Key::spaceDock)) {
        if (m_panel)
            m_panel->dismiss();
        return;
    }

    std::vector<SpaceContents::WindowInfo> apps;
    std::set<std::int32_t> seen;
    for (const SpaceContents::WindowInfo& window : windows) {
        if (seen.insert(window.pid).second)
            apps.push_back(window);
    }
    m_model.setApps(std::move(apps));
    m_model.setSpaceName(spaceName);
    m_model.onFocus = onFocus;

    if (!m_panel)
        makePanel();

    if (m_view) {
        const QSizeF size = m_view->sizeHint();
        QPointF origin = m_panel->modelFrame().topLeft(); // the lower-left corner in our coordinates
        if (!m_panel->isVisible()) {
            if (const auto saved = savedFrame()) {
                origin = saved->topLeft();
            } else if (const auto main = Platform::current().screens().mainScreen()) {
                origin = QPointF(main->visibleFrame.left() + kLeftInset, main->visibleFrame.center().y());
            }
        }
        applyFrame(QRectF(origin, size));
    }
    m_panel->present();
}

} // namespace lumivast

namespace lumivast {

void SpaceDockController::updateForCurrentSpace(const SpaceSnapshot& snapshot, const SpaceContents& contents,
                                                const SpaceStore& store)
{
    const Space* current = snapshot.currentSpace();
    if (!current)
        return;
    update(contents.windows(current->managedID), store.displayName(*current));
}

} // namespace lumivast
