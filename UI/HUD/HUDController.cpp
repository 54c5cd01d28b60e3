#include "UI/HUD/HUDController.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/DisplayGeometry.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"
#include "UI/Panels/Panel.h"

#include <algorithm>
#include <cmath>

namespace lumivast {

namespace {

// Seconds from the settings to a delay the scheduler can hold; a stored value
// far out of range must not overflow the conversion.
Duration durationFromSeconds(double value)
{
    constexpr double kLongest = 24 * 60 * 60;
    return seconds(std::clamp(value, 0.0, kLongest));
}

std::optional<ScreenInfo> mainOrFirstScreen()
{
    Screens& screens = Platform::current().screens();
    if (auto main = screens.mainScreen())
        return main;
    const auto all = screens.screens();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

QRectF panelFrame(const QSizeF& size, const ScreenInfo& screen, HUDPosition position)
{
    const QRectF v = screen.visibleFrame.isEmpty() ? screen.frame : screen.visibleFrame;
    const double x = v.center().x() - size.width() / 2;
    double y = 0;
    switch (position) {
    case HUDPosition::top:
        y = v.y() + v.height() - size.height() - HUDController::topInset;
        break;
    case HUDPosition::center:
        y = v.center().y() - size.height() / 2;
        break;
    case HUDPosition::bottom:
        y = v.y() + HUDController::bottomInset;
        break;
    }
    // Whole pixels, so the panel is exactly the view's size.
    return QRectF(QPointF(std::round(x), std::round(y)), size);
}

} // namespace

HUDController::HUDController(Scheduler& scheduler) : m_scheduler(scheduler) {}

HUDController::~HUDController() = default;

bool HUDController::isShowing() const
{
    return m_panel && m_panel->isVisible();
}

void HUDController::toast(const QString& message, const QString& symbol, bool isError)
{
    std::optional<ScreenInfo> screen = DisplayGeometry::screenUnderMouse();
    if (!screen)
        screen = mainOrFirstScreen();
    if (!screen) {
        qCInfo(lcApp) << "no screen for the toast:" << message;
        return;
    }
    HUDView view;
    view.title = message;
    view.symbol = isError ? errorSymbol : symbol;
    view.color = isError ? errorColor : toastColor;
    view.scale = toastScale;
    const double setting = Settings::defaults().doubleValue(Settings::Key::hudDuration);
    const Duration duration = std::max(minimumToastDuration, durationFromSeconds(setting));
    present(std::move(view), *screen, duration);
}

void HUDController::show(const Space& space, const SpaceStore& store)
{
    if (!Settings::defaults().boolValue(Settings::Key::hudEnabled))
        return;
    std::optional<ScreenInfo> screen = DisplayGeometry::screenShowing(space.displayID);
    if (!screen)
        screen = mainOrFirstScreen();
    if (!screen)
        return;

    const SpaceMeta meta = store.meta(space.id);
    HUDView view;
    view.title = store.displayName(space);
    view.subtitle = meta.note;
    view.symbol = store.symbol(space);
    view.customIcon = store.customIcon(space);
    std::optional<QString> hex = meta.colorHex;
    if (const DemoMode::Sample* sample = DemoMode::sample(space))
        hex = sample->colorHex;
    const std::optional<QColor> tint = hex ? colorFromHex(*hex) : std::nullopt;
    view.color = tint.value_or(QColor(Qt::white));
    view.scale = scale(Settings::hudSize());
    const double setting = Settings::defaults().doubleValue(Settings::Key::hudDuration);
    present(std::move(view), *screen, durationFromSeconds(setting));
}

void HUDController::present(HUDView view, const ScreenInfo& screen, Duration duration)
{
    // Texts can come from outside (a URL's host); a line no screen can show
    // would only cost memory for its shadow.
    constexpr qsizetype kMaxLine = 300;
    for (QString* line : {&view.title, view.subtitle ? &*view.subtitle : nullptr}) {
        if (line && line->size() > kMaxLine)
            *line = line->left(kMaxLine - 1) + QChar(0x2026);
    }
    // Never wider than the screen can show: the text is elided instead.
    view.maxWidth = (screen.visibleFrame.isEmpty() ? screen.frame : screen.visibleFrame).width();
    const QSizeF size = view.fittingSize();
    if (!m_panel)
        m_panel = std::make_unique<Panel>(m_scheduler,
                                          Panel::Options{.takesKeys = false, .clickThrough = true, .level = Panel::Level::status});
    const QRectF frame = panelFrame(size, screen, Settings::hudPosition());
    m_panel->setModelFrame(frame);
    view.opaque = !m_panel->isTranslucent();
    m_panel->setRoundedOutline(HUDView::outerMargin, view.capsuleSize().height() / 2);

    // The previous content goes at once; a new view replaces it whole.
    for (QWidget* old : m_panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete old;
    auto* content = new HUDViewWidget(view, m_panel.get());
    content->setGeometry(QRect(QPoint(0, 0), size.toSize()));
    content->show();

    // No fade-in. A fade-out still running from the previous presentation is
    // cancelled with its completion, so it cannot hide this one.
    m_panel->present();

    m_last = Presentation{std::move(view), screen, duration, frame};
    m_hideWork = m_scheduler.after(duration, [this] { hide(); });
}

void HUDController::hide()
{
    if (m_panel)
        m_panel->dismiss(fadeOutDuration);
}

} // namespace lumivast
