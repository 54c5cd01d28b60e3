#include "Core/Demo/DemoMode.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/HexColor.h"
#include "Platform/Platform.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <map>
#include <numbers>

namespace lumivast::DemoMode {

namespace {

std::function<QStringList()>& argumentsProvider()
{
    static std::function<QStringList()> provider;
    return provider;
}

std::optional<bool>& fixedAnswer()
{
    static std::optional<bool> answer;
    return answer;
}

// Sample name -> drawn preview; lives as long as the process.
std::map<QString, QImage>& previewCache()
{
    static std::map<QString, QImage> cache;
    return cache;
}

constexpr double kCornerRadius = 8;
constexpr double kBarCornerRadius = 3;
constexpr double kShadowBlur = 14;
constexpr double kShadowDrop = 4; // below the window
constexpr double kShadowOpacity = 0.4;

QColor grey(double level)
{
    return QColor::fromRgbF(float(level), float(level), float(level), 1.0f);
}

// A soft shadow under `path`: its shape in black, blurred (three box passes
// each way approximate a gaussian of half the blur radius) and dropped.
void drawShadow(QPainter& painter, const QPainterPath& path, QSize canvas)
{
    const int radius = int(std::lround(kShadowBlur / 2));
    const int margin = 3 * radius + 2;
    const QRect area = path.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin).intersected(
        QRect(QPoint(0, 0), canvas).adjusted(-margin, -margin, margin, margin));
    if (area.isEmpty())
        return;
    const int w = area.width();
    const int h = area.height();
    std::vector<float> alpha(std::size_t(w) * std::size_t(h), 0.0f);
    {
        QImage mask(area.size(), QImage::Format_Alpha8);
        mask.fill(0);
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-area.topLeft());
        p.fillPath(path, Qt::black);
        p.end();
        for (int y = 0; y < h; ++y) {
            const uchar* line = mask.constScanLine(y);
            for (int x = 0; x < w; ++x)
                alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)] = float(line[x]) / 255.0f;
        }
    }
    std::vector<float> scratch(std::max(w, h));
    const auto boxPass = [&](int count, int stride, int lines, int lineStride) {
        for (int line = 0; line < lines; ++line) {
            float* base = alpha.data() + std::ptrdiff_t(line) * lineStride;
            double sum = 0;
            const auto at = [&](int i) { return (i < 0 || i >= count) ? 0.0f : base[std::ptrdiff_t(i) * stride]; };
            for (int i = -radius; i <= radius; ++i)
                sum += at(i);
            for (int i = 0; i < count; ++i) {
                scratch[std::size_t(i)] = float(sum / (2 * radius + 1));
                sum += at(i + radius + 1) - at(i - radius);
            }
            for (int i = 0; i < count; ++i)
                base[std::ptrdiff_t(i) * stride] = scratch[std::size_t(i)];
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(w, 1, h, w); // along rows
        boxPass(h, w, w, 1); // along columns
    }
    QImage shadow(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = int(std::lround(alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)] * kShadowOpacity * 255));
            line[x] = qRgba(0, 0, 0, std::clamp(a, 0, 255));
        }
    }
    painter.drawImage(QPointF(area.left(), area.top() + kShadowDrop), shadow);
}

void drawPreview(QImage& image, const Sample& sample)
{
    const double W = image.width();
    const double H = image.height();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, 0, H);
    background.setColorAt(0, colorFromHex(sample.gradient.first).value_or(QColor(Qt::darkGray)));
    background.setColorAt(1, colorFromHex(sample.gradient.second).value_or(QColor(Qt::black)));
    painter.fillRect(QRectF(0, 0, W, H), background);

    painter.fillRect(QRectF(0, 0, W, 0.045 * H), QColor::fromRgbF(0, 0, 0, 0.35f));

    for (const SampleRect& rect : sample.rects) {
        const QRectF f(rect.frame.x() * W, rect.frame.y() * H, rect.frame.width() * W, rect.frame.height() * H);
        QPainterPath window;
        window.addRoundedRect(f, kCornerRadius, kCornerRadius);
        drawShadow(painter, window, image.size());
        painter.fillPath(window, grey(rect.dark ? 0.13 : 0.95));

        painter.save();
        painter.setClipPath(window);
        painter.fillRect(QRectF(f.x(), f.y(), f.width(), 0.11 * f.height()), grey(rect.dark ? 0.18 : 0.88));
        const std::array<double, 4> widths = textBarFractions(rect.frame.x());
        for (int k = 0; k < 4; ++k) {
            QPainterPath bar;
            bar.addRoundedRect(QRectF(f.x() + 0.08 * f.width(), f.y() + (0.24 + 0.14 * k) * f.height(),
                                      f.width() * widths[std::size_t(k)] * 0.84, 0.055 * f.height()),
                               kBarCornerRadius, kBarCornerRadius);
            painter.fillPath(bar, grey(rect.dark ? 0.27 : 0.79));
        }
        painter.restore();
    }
}

} // namespace

void setLaunchArgumentsProvider(std::function<QStringList()> provider)
{
    argumentsProvider() = std::move(provider);
}

bool isOn()
{
    std::optional<bool>& answer = fixedAnswer();
    if (!answer) {
        bool on = Settings::defaults().boolValue(Settings::Key::demoMode);
        if (!on && argumentsProvider())
            on = argumentsProvider()().contains(QStringLiteral("--demo"));
        answer = on;
    }
    return *answer;
}

const std::vector<Sample>& samples()
{
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    static const std::vector<Sample> list{
        {s("Mail & Calendar"), s("envelope"), s("#5B8DEF"), {s("com.apple.mail"), s("com.apple.iCal")},
         {{s("Inbox (3 unread)"), s("Mail")}, {s("Week of October 27"), s("Calendar")}},
         {s("#20325E"), s("#141A33")},
         {{{0.06, 0.12, 0.60, 0.72}, false}, {{0.55, 0.30, 0.38, 0.56}, true}}},
        {s("Lumivast \u00B7 Xcode"), s("hammer"), s("#7C6CFF"), {s("com.apple.dt.Xcode"), s("com.apple.Terminal")},
         {{s("Lumivast \u2014 OverlayView"), s("Xcode")}, {s("~/lumivast \u2014 zsh"), s("Terminal")}},
         {s("#2A1F55"), s("#120F2A")},
         {{{0.04, 0.10, 0.92, 0.80}, true}}},
        // An invented client whose titles the tour's "north" search finds.
        {s("Client: Northbrook Studio"), s("briefcase"), s("#FF8A5B"), {s("com.apple.Safari"), s("com.apple.iWork.Pages")},
         {{s("northbrook.example \u2014 Pricing"), s("Safari")}, {s("Northbrook Studio \u2014 Q4 proposal"), s("Pages")}},
         {s("#5A2A2A"), s("#22131A")},
         {{{0.08, 0.12, 0.56, 0.74}, false}, {{0.52, 0.20, 0.40, 0.40}, false}}},
        {s("Design \u00B7 Figma"), s("paintbrush"), s("#46D39A"), {s("com.figma.Desktop"), s("com.apple.Preview")},
         {{s("Onboarding v3 \u2014 Figma"), s("Figma")}, {s("moodboard.png"), s("Preview")}},
         {s("#173F36"), s("#0E1F1D")},
         {{{0.05, 0.10, 0.90, 0.78}, false}}},
        {s("Music"), s("music.note"), s("#2FB7A8"), {s("com.apple.Music")},
         {{s("Focus Mix"), s("Music")}},
         {s("#16424A"), s("#0D1D24")},
         {{{0.20, 0.16, 0.60, 0.62}, true}}},
        {s("Planning"), s("calendar"), s("#E0B341"), {s("com.apple.Notes"), s("com.apple.reminders")},
         {{s("Launch checklist"), s("Notes")}, {s("This week"), s("Reminders")}},
         {s("#4A3A12"), s("#1D170B")},
         {{{0.10, 0.12, 0.38, 0.70}, false}, {{0.53, 0.12, 0.37, 0.70}, false}}},
        {s("Research"), s("books.vertical"), s("#D96BB0"), {s("com.apple.Safari"), s("com.apple.Preview")},
         {{s("Papers \u2014 Reading list"), s("Safari")}, {s("spaces-study.pdf"), s("Preview")}},
         {s("#4A1D3D"), s("#1C0F19")},
         {{{0.07, 0.10, 0.50, 0.76}, false}, {{0.50, 0.24, 0.44, 0.60}, false}}},
        {s("Chat"), s("bubble.left.and.bubble.right"), s("#8B7CFF"), {s("com.apple.MobileSMS"), s("com.apple.FaceTime")},
         {{s("Messages"), s("Messages")}},
         {s("#2B2560"), s("#141130")},
         {{{0.15, 0.12, 0.70, 0.74}, false}}},
    };
    return list;
}

const Sample* sample(const Space& space)
{
    if (!isOn() || space.isFullscreen || !space.desktopNumber || *space.desktopNumber <= 0)
        return nullptr;
    const auto& list = samples();
    return &list[static_cast<std::size_t>(*space.desktopNumber - 1) % list.size()];
}

std::vector<SpaceContents::AppOnSpace> apps(const Space& space)
{
    const Sample* chosen = sample(space);
    if (!chosen)
        return {};
    Platform& platform = Platform::current();
    std::vector<SpaceContents::AppOnSpace> list;
    for (qsizetype i = 0; i < chosen->bundleIDs.size(); ++i) {
        const QString& bundleID = chosen->bundleIDs[i];
        const auto url = platform.workspace().urlForApplication(bundleID);
        if (!url)
            continue; // not installed; its position still counts
        QString name = platform.runningApplications().displayName(url->toLocalFile());
        name.remove(QStringLiteral(".app"));
        list.push_back({~std::int32_t(i), bundleID, name, {}});
    }
    return list;
}

std::optional<QImage> thumbnail(const Space& space, QSize size)
{
    const Sample* chosen = sample(space);
    if (!chosen)
        return std::nullopt;
    std::map<QString, QImage>& cache = previewCache();
    if (const auto it = cache.find(chosen->name); it != cache.end())
        return it->second;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!image.isNull())
        drawPreview(image, *chosen);
    cache.emplace(chosen->name, image);
    return image;
}

QImage wallpaper(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    const double w = size.width();
    const double h = size.height();
    // -70 degrees with y up: right and steeply down. The line through the centre
    // is long enough for the corners to fall on its ends.
    const double angle = -70.0 * std::numbers::pi / 180.0;
    const QPointF direction(std::cos(angle), -std::sin(angle)); // top-left origin: down is +y
    const double half = (std::abs(w * direction.x()) + std::abs(h * direction.y())) / 2;
    const QPointF centre(w / 2, h / 2);
    QLinearGradient gradient(centre - direction * half, centre + direction * half);
    gradient.setColorAt(0.0, *colorFromHex(QStringLiteral("#1B1F3D")));
    gradient.setColorAt(0.5, *colorFromHex(QStringLiteral("#0E1124")));
    gradient.setColorAt(1.0, *colorFromHex(QStringLiteral("#1A1230")));
    QPainter painter(&image);
    painter.fillRect(QRectF(0, 0, w, h), gradient);
    return image;
}

std::array<double, 4> textBarFractions(double unitX)
{
    const int s = static_cast<int>(unitX * 100);
    std::array<double, 4> widths{};
    for (int k = 0; k < 4; ++k)
        widths[std::size_t(k)] = 0.4 + double((s + 17 * k) % 45) / 100.0;
    return widths;
}

void resetForTesting()
{
    fixedAnswer().reset();
    previewCache().clear();
}

} // namespace lumivast::DemoMode
