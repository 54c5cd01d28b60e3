#include "UI/Settings/SpacesPane.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "UI/Settings/PaneKit.h"
#include "UI/Settings/SettingsNavigation.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/WatcherProxy.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace lumivast {

namespace {

constexpr int kRowHeight = 40;
constexpr int kRowPadding = 8;
constexpr int kGap = 8;

// One Space: its tinted symbol, its name over "Desktop n" or "Full screen", and "Current" at the end.
class SpaceRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A row is as wide as the list whatever its width hint: a hint of the
    // list's width would go past it as soon as the vertical bar takes room.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(SpacesPane::kSymbolSize + 2 * kRowPadding, kRowHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        const QColor text = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        QColor secondary = selected ? text : PaneKit::secondaryColor(palette);
        if (selected)
            secondary.setAlphaF(0.8f);

        painter->save();
        const QRect r = option.rect.adjusted(kRowPadding, 0, -kRowPadding, 0);
        int x = r.left();
        const QColor tint = index.data(SpacesPane::kTintRole).value<QColor>();
        const QColor symbolColor = selected ? text : (tint.isValid() ? tint : PaneKit::secondaryColor(palette));
        const QPixmap symbol = SymbolCatalogue::image(index.data(Qt::DecorationRole).toString(), SpacesPane::kSymbolSize,
                                                      symbolColor, painter->device()->devicePixelRatioF());
        if (!symbol.isNull())
            painter->drawPixmap(QPoint(x, r.center().y() - SpacesPane::kSymbolSize / 2 + 1), symbol);
        x += SpacesPane::kSymbolSize + kGap;

        QFont captionFont = option.font;
        captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
        QFont currentFont = option.font;
        currentFont.setPointSizeF(currentFont.pointSizeF() * 0.78);
        int right = r.right();
        if (index.data(SpacesPane::kCurrentRole).toBool()) {
            const QString current = QCoreApplication::translate("lumivast::SpacesPane", "Current");
            const QFontMetrics metrics(currentFont);
            const int width = metrics.horizontalAdvance(current);
            painter->setFont(currentFont);
            painter->setPen(secondary);
            painter->drawText(QRect(right - width, r.top(), width, r.height()), Qt::AlignVCenter | Qt::AlignRight, current);
            right -= width + kGap;
        }
        const QFontMetrics nameMetrics(option.font);
        const QFontMetrics captionMetrics(captionFont);
        const int block = nameMetrics.height() + 1 + captionMetrics.height();
        const int top = r.center().y() - block / 2 + 1;
        const int width = std::max(0, right - x);
        painter->setFont(option.font);
        painter->setPen(text);
        painter->drawText(QRect(x, top, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, width));
        painter->setFont(captionFont);
        painter->setPen(secondary);
        painter->drawText(QRect(x, top + nameMetrics.height() + 1, width, captionMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          captionMetrics.elidedText(index.data(SpacesPane::kSubtitleRole).toString(), Qt::ElideRight, width));
        painter->restore();
    }
};

} // namespace

SpacesPane::SpacesPane(SettingsServices& services, SettingsNavigation& navigation, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_navigation(navigation)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    layout->addWidget(split);

    m_list = new QListWidget(split);
    m_list->setObjectName(QStringLiteral("spaces"));
    m_list->setMinimumWidth(kListMinWidth);
    m_list->setMaximumWidth(kListMaxWidth);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setItemDelegate(new SpaceRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    // Names shorten to the row instead.
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    split->addWidget(m_list);

    m_detail = new QWidget(split);
    m_detail->setMinimumWidth(kDetailMinWidth);
    m_detailLayout = new QVBoxLayout(m_detail);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    m_empty = PaneKit::callout(tr("Select a Space to edit its name, note, icon and automation."), m_detail);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setContentsMargins(24, 0, 24, 0);
    m_empty->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_detailLayout->addWidget(m_empty);
    split->addWidget(m_detail);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({kListWidth, 10000});

    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        m_navigation.setSelectedSpaceID(selected.isEmpty() ? std::nullopt
                                                           : std::optional<QString>(selected.front()->data(kIDRole).toString()));
    });
    connect(&m_navigation, &SettingsNavigation::selectedSpaceIDChanged, this, [this] { redraw(true); });
    // A new snapshot leaves the list where the user scrolled it.
    connect(&m_services.snapshots, &WatcherProxy::changed, this, [this] { redraw(false); });
    redraw(true);
}

SpacesPane::~SpacesPane()
{
    // The editor goes first and on its own terms (it saves when it goes off screen).
    dropEditor();
}

SpaceEditor* SpacesPane::editor() const
{
    return m_editor.data();
}

void SpacesPane::showEvent(QShowEvent* event)
{
    // Each time the pane comes on screen: with nothing selected yet, the Space the user is on.
    if (!m_navigation.selectedSpaceID()) {
        const SpaceSnapshot& snapshot = m_services.watcher.snapshot();
        if (const DisplaySpaces* display = snapshot.menuBarDisplay()) {
            if (const Space* active = display->activeSpace())
                m_navigation.setSelectedSpaceID(active->id);
        }
    }
    QWidget::showEvent(event);
}

void SpacesPane::redraw(bool revealSelection)
{
    const SpaceSnapshot& snapshot = m_services.watcher.snapshot();
    const int scrolled = m_list->verticalScrollBar()->value();
    rebuildRows(snapshot);
    if (!revealSelection)
        m_list->verticalScrollBar()->setValue(scrolled);
    showDetail(snapshot);
}

void SpacesPane::rebuildRows(const SpaceSnapshot& snapshot)
{
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    const bool demo = DemoMode::isOn();
    const std::optional<QString>& selected = m_navigation.selectedSpaceID();
    for (const Space& space : snapshot.allSpaces()) {
        auto* item = new QListWidgetItem(m_services.store.displayName(space), m_list);
        item->setData(kIDRole, space.id);
        item->setData(Qt::DecorationRole, m_services.store.symbol(space));
        item->setData(kSubtitleRole, space.desktopNumber ? tr("Desktop %1").arg(*space.desktopNumber) : tr("Full screen"));
        item->setData(kCurrentRole, space.isActive);
        const DemoMode::Sample* sample = demo ? DemoMode::sample(space) : nullptr;
        const std::optional<QString> hex = sample ? std::optional<QString>(sample->colorHex)
                                                  : m_services.store.meta(space.id).colorHex;
        if (const auto color = hex ? colorFromHex(*hex) : std::nullopt)
            item->setData(kTintRole, *color);
        if (selected && *selected == space.id)
            item->setSelected(true);
    }
    if (!m_list->selectedItems().isEmpty())
        m_list->setCurrentItem(m_list->selectedItems().front());
}

void SpacesPane::showDetail(const SpaceSnapshot& snapshot)
{
    const std::optional<QString>& selected = m_navigation.selectedSpaceID();
    const Space* space = selected ? snapshot.space(*selected) : nullptr;
    if (!space) {
        dropEditor();
        m_empty->show();
        return;
    }
    if (m_editor && m_editor->space().id == space->id) {
        m_editor->setSpace(*space);
        return;
    }
    dropEditor();
    m_empty->hide();
    m_editor = new SpaceEditor(m_services, *space, m_detail);
    m_detailLayout->addWidget(m_editor);
    m_editor->show();
}

void SpacesPane::dropEditor()
{
    if (!m_editor)
        return;
    // Off screen first, so the editor saves its copy for its own Space.
    m_editor->hide();
    delete m_editor.data();
}

} // namespace lumivast
