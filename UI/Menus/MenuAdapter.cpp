#include "UI/Menus/MenuAdapter.h"

#include "UI/Symbols/SymbolCatalogue.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

#include <map>
#include <memory>

namespace lumivast::MenuAdapter {

namespace {

constexpr int kImageSize = 16;
constexpr int kAppIconSize = 14;
constexpr qreal kNotePixels = 11;

// A Space row ready to draw: its runs and its app icons scaled once.
struct Row {
    MenuItem::RichTitle title;
    std::vector<QPixmap> icons;
};

QFont withPixelSize(QFont font, qreal pixels)
{
    font.setPointSizeF(pixels * 72.0 / 96.0);
    return font;
}

// Draws Space rows in the menus of one tree. The rows are plain actions, so
// the menu highlights, checks, hints and chooses them as any other; the style
// only makes room for the rich runs and paints them where the title would go.
// Rows are known by their icon, which each row has its own of.
class RowStyle final : public QProxyStyle {
public:
    std::map<qint64, Row> rows;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const Row* row = item && type == CT_MenuItem ? find(*item) : nullptr;
        if (!row)
            return result;
        const QFontMetricsF title(item->font);
        const QFontMetricsF note(withPixelSize(item->font, kNotePixels));
        const qreal first = lineWidth(*row, item->font) + checkColumn(*item);
        qreal width = first;
        if (row->title.note)
            width = std::max(width, note.horizontalAdvance(QString(row->title.noteIndent, QLatin1Char(' ')) + *row->title.note));
        result.rwidth() += qCeil(width - title.horizontalAdvance(row->title.name));
        if (row->title.note)
            result.rheight() += qCeil(note.height());
        return result;
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const Row* row = item && element == CE_MenuItem ? find(*item) : nullptr;
        if (!row)
            return QProxyStyle::drawControl(element, option, painter, widget);

        // The style draws the highlight, image and hint; the title and the check mark are ours.
        // (Fusion shows a checked item with an image as a sunken frame round
        // the image, which is easily missed.)
        QStyleOptionMenuItem plain(*item);
        const qsizetype tab = item->text.indexOf(QLatin1Char('\t'));
        plain.text = tab >= 0 ? item->text.mid(tab) : QString();
        plain.checked = false;
        QProxyStyle::drawControl(element, &plain, painter, widget);

        const bool selected = item->state & State_Selected;
        const QColor text = selected ? item->palette.color(QPalette::HighlightedText) : item->palette.color(QPalette::Text);
        QColor secondary = text;
        secondary.setAlphaF(selected ? 0.75 : 0.55);

        const QFont titleFont = item->font;
        const QFont noteFont = withPixelSize(item->font, kNotePixels);
        const QFontMetricsF titleMetrics(titleFont);
        const QFontMetricsF noteMetrics(noteFont);
        const qreal block = titleMetrics.height() + (row->title.note ? noteMetrics.height() : 0);
        qreal y = item->rect.top() + (item->rect.height() - block) / 2;
        qreal x = item->rect.left() + textOffset(*item, widget);

        painter->save();
        painter->setFont(titleFont);
        if (item->checked)
            drawCheckMark(painter, QRectF(x, y, titleMetrics.height(), titleMetrics.height()), text);
        x += checkColumn(*item);
        const QRectF line(x, y, item->rect.right() - x, titleMetrics.height());
        auto run = [&](const QString& runText, const QColor& color) {
            painter->setPen(color);
            painter->drawText(QRectF(x, line.top(), line.width(), line.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, runText);
            x += titleMetrics.horizontalAdvance(runText);
        };
        run(row->title.prefix, secondary);
        run(row->title.name, text);
        if (!row->icons.empty()) {
            const qreal space = titleMetrics.horizontalAdvance(QLatin1Char(' '));
            x += 3 * space;
            for (const QPixmap& icon : row->icons) {
                painter->drawPixmap(QRectF(x, line.center().y() - kAppIconSize / 2.0, kAppIconSize, kAppIconSize), icon,
                                    QRectF(icon.rect()));
                x += kAppIconSize + space;
            }
        }
        if (row->title.note) {
            painter->setFont(noteFont);
            painter->setPen(secondary);
            const QString noteText = QString(row->title.noteIndent, QLatin1Char(' ')) + *row->title.note;
            painter->drawText(QRectF(line.left(), line.bottom(), item->rect.right() - line.left(), noteMetrics.height()),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, noteText);
        }
        painter->restore();
    }

    // Menus taller than the screen scroll rather than wrap into columns.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    // Room for the check mark before the title, kept by every row of a menu that has checkable ones.
    static qreal checkColumn(const QStyleOptionMenuItem& item)
    {
        return item.menuHasCheckableItems ? QFontMetricsF(item.font).height() * 1.3 : 0;
    }

    static void drawCheckMark(QPainter* painter, const QRectF& box, const QColor& color)
    {
        const QRectF mark = box.adjusted(box.width() * 0.2, box.height() * 0.25, -box.width() * 0.2, -box.height() * 0.25);
        QPainterPath path;
        path.moveTo(mark.left(), mark.center().y());
        path.lineTo(mark.left() + mark.width() * 0.38, mark.bottom());
        path.lineTo(mark.right(), mark.top());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(color, std::max(1.5, box.height() / 9), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(path);
        painter->restore();
    }

    const Row* find(const QStyleOptionMenuItem& item) const
    {
        if (item.icon.isNull())
            return nullptr;
        const auto it = rows.find(item.icon.cacheKey());
        return it == rows.end() ? nullptr : &it->second;
    }

    static qreal lineWidth(const Row& row, const QFont& font)
    {
        const QFontMetricsF metrics(font);
        qreal width = metrics.horizontalAdvance(row.title.prefix + row.title.name);
        if (!row.icons.empty())
            width += 3 * metrics.horizontalAdvance(QLatin1Char(' '))
                + qreal(row.icons.size()) * (kAppIconSize + metrics.horizontalAdvance(QLatin1Char(' ')));
        return width;
    }

    // Where this style starts a menu item's title: found once per layout by
    // drawing an item with and without a letter and finding the first change.
    int textOffset(const QStyleOptionMenuItem& item, const QWidget* widget) const
    {
        const auto key = std::make_tuple(item.maxIconWidth, item.rect.width(), item.rect.height(), int(item.checkType),
                                         item.menuHasCheckableItems);
        if (const auto it = m_offsets.find(key); it != m_offsets.end())
            return it->second;
        QStyleOptionMenuItem probe(item);
        probe.state &= ~State_Selected;
        probe.rect = QRect(QPoint(0, 0), item.rect.size());
        probe.checked = false;
        probe.text.clear();
        auto render = [&](const QString& text) {
            QImage image(probe.rect.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            probe.text = text;
            QProxyStyle::drawControl(CE_MenuItem, &probe, &painter, widget);
            return image;
        };
        const QImage without = render(QString());
        const QImage with = render(QStringLiteral("H"));
        int offset = 0;
        for (int x = 0; x < with.width() && offset == 0; ++x) {
            for (int y = 0; y < with.height(); ++y) {
                if (with.pixel(x, y) != without.pixel(x, y)) {
                    offset = x - qMax(0, QFontMetrics(item.font).leftBearing(QLatin1Char('H')));
                    break;
                }
            }
        }
        m_offsets.emplace(key, offset);
        return offset;
    }

    mutable std::map<std::tuple<int, int, int, int, bool>, int> m_offsets;
};

struct Builder {
    Scheduler& scheduler;
    QPointer<QMenu> root;
    RowStyle* style = nullptr;
    std::vector<QMenu*> menus;
    std::vector<std::pair<QKeySequence, std::function<void()>>> hinted;
    std::map<std::pair<QString, QRgb>, QPixmap> symbols;
    std::map<qint64, QPixmap> appIcons;

    // Closes the whole menu, then runs the action once the menu is gone.
    std::function<void()> chooser(std::function<void()> action)
    {
        Scheduler* post = &scheduler;
        QPointer<QMenu> top = root;
        return [post, top, action = std::move(action)] {
            if (top)
                top->close();
            if (action)
                post->post(action);
        };
    }

    QIcon icon(const MenuItem& item, const QPalette& palette)
    {
        const qreal dpr = qApp->devicePixelRatio();
        if (!item.picture.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(item.picture.scaled(qRound(kImageSize * dpr), qRound(kImageSize * dpr),
                                                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            pixmap.setDevicePixelRatio(dpr);
            return QIcon(pixmap);
        }
        if (item.symbol.isEmpty())
            return {};
        const QColor color = item.symbolTint.value_or(palette.color(QPalette::Text));
        // Rows repeat symbols; each is drawn once per menu.
        const auto key = std::make_pair(item.symbol, color.rgba());
        auto it = symbols.find(key);
        if (it == symbols.end())
            it = symbols.emplace(key, SymbolCatalogue::image(item.symbol, kImageSize, color, dpr)).first;
        // A QIcon of its own, so that every row is known by its icon.
        return it->second.isNull() ? QIcon() : QIcon(it->second);
    }

    QPixmap appIcon(const QImage& image)
    {
        // The same apps show on many rows: each picture is scaled once per menu.
        auto it = appIcons.find(image.cacheKey());
        if (it != appIcons.end())
            return it->second;
        const qreal dpr = qApp->devicePixelRatio();
        QPixmap pixmap = QPixmap::fromImage(image.scaled(qRound(kAppIconSize * dpr), qRound(kAppIconSize * dpr),
                                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(dpr);
        return appIcons.emplace(image.cacheKey(), pixmap).first->second;
    }

    void fill(QMenu* menu, const std::vector<MenuItem>& items)
    {
        menus.push_back(menu);
        menu->setStyle(style);
        menu->setSeparatorsCollapsible(false);
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : items) {
            if (item.isSeparator) {
                menu->addSeparator();
                continue;
            }
            const QString hint = hintText(item);
            QString text = escapedTitle(item.title);
            if (!hint.isEmpty())
                text += QLatin1Char('\t') + hint;
            QAction* action = nullptr;
            if (!item.children.empty()) {
                QMenu* sub = new QMenu(text, menu);
                fill(sub, item.children);
                action = menu->addMenu(sub);
            } else {
                action = menu->addAction(text);
            }
            action->setEnabled(choosable(item));
            if (!item.toolTip.isEmpty())
                action->setToolTip(item.toolTip);
            QIcon image = icon(item, menu->palette());
            if (item.rich) {
                // Every row gets an icon of its own, which is how the style knows it.
                if (image.isNull()) {
                    QPixmap blank(kImageSize, kImageSize);
                    blank.fill(Qt::transparent);
                    image = QIcon(blank);
                }
                Row row{*item.rich, {}};
                for (const QImage& picture : item.rich->appIcons)
                    row.icons.push_back(appIcon(picture));
                style->rows.emplace(image.cacheKey(), std::move(row));
            }
            if (!image.isNull())
                action->setIcon(image);
            if (item.state != MenuItem::State::off) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (item.action) {
                auto choose = chooser(item.action);
                QObject::connect(action, &QAction::triggered, menu, [choose] { choose(); });
                if (item.hasKey())
                    hinted.emplace_back(QKeySequence(QKeyCombination(item.modifiers, item.key)), choose);
            }
        }
    }
};

} // namespace

QString escapedTitle(const QString& title)
{
    QString text = title;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

QString hintText(const MenuItem& item)
{
    if (!item.hasKey())
        return {};
    return QKeySequence(QKeyCombination(item.modifiers, item.key)).toString(QKeySequence::NativeText);
}

QMenu* build(const std::vector<MenuItem>& items, Scheduler& scheduler, QWidget* parent, bool deleteOnClose)
{
    auto* menu = new QMenu(parent);
    auto* style = new RowStyle;
    style->setParent(menu);
    Builder builder{scheduler, menu, style, {}, {}, {}, {}};
    builder.fill(menu, items);
    // A hint's keys choose its item from whichever menu of the tree is open.
    for (QMenu* open : builder.menus) {
        for (const auto& [keys, choose] : builder.hinted) {
            auto* shortcut = new QShortcut(keys, open);
            shortcut->setContext(Qt::WindowShortcut);
            QObject::connect(shortcut, &QShortcut::activated, open, choose);
        }
    }
    if (deleteOnClose)
        QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    return menu;
}

bool choosable(const MenuItem& item)
{
    return item.enabled && (item.action || !item.children.empty());
}

QMenu* popUp(const std::vector<MenuItem>& items, Scheduler& scheduler, QPoint at)
{
    QMenu* menu = build(items, scheduler, nullptr, true);
    menu->popup(at);
    return menu;
}

} // namespace lumivast::MenuAdapter
