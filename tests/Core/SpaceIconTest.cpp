#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

Space iconDesktop(const QString& id)
{
    return Space{id, 3, "Main", 1, 0, false, std::nullopt, false};
}

class SpaceIconTest : public test::TempHomeTest {
protected:
    QString imageFile(const QString& name, QSize size, QColor left, QColor right)
    {
        QImage image(size, QImage::Format_ARGB32);
        for (int x = 0; x < size.width(); ++x)
            for (int y = 0; y < size.height(); ++y)
                image.setPixelColor(x, y, x < size.width() / 2 ? left : right);
        const QString path = home.path(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    // The file the record of `key` names now.
    QString iconPath(const QString& key) const
    {
        return AppPaths::iconsDirectory() + "/" + store.meta(key).iconFile.value_or("none");
    }

    VirtualScheduler scheduler;
    SpaceStore store{scheduler, AppPaths::file("spaces.json")};
};

} // namespace

TEST_F(SpaceIconTest, ImageIsStretchedTo128AndStoredAsPNG)
{
    store.setName("Work", "A");
    store.setCustomIcon(imageFile("wide.png", {400, 200}, Qt::red, Qt::blue), "A");

    EXPECT_TRUE(store.meta("A").iconFile->startsWith("A-"));
    EXPECT_TRUE(store.meta("A").iconFile->endsWith(".png"));
    EXPECT_EQ(store.meta("A").name, "Work");
    QImage onDisk;
    ASSERT_TRUE(onDisk.load(iconPath("A"), "PNG"));
    EXPECT_EQ(onDisk.size(), QSize(128, 128));
    // Stretched, not letterboxed: the halves of the source fill the halves of the square.
    EXPECT_EQ(onDisk.pixelColor(10, 5), QColor(Qt::red));
    EXPECT_EQ(onDisk.pixelColor(118, 122), QColor(Qt::blue));

    const std::optional<QImage> icon = store.customIcon(iconDesktop("A"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->size(), QSize(128, 128));
    EXPECT_TRUE(store.isSavePending());
}

TEST_F(SpaceIconTest, NewImageReplacesTheOldFileAndTheCachedIcon)
{
    store.setCustomIcon(imageFile("red.png", {64, 64}, Qt::red, Qt::red), "A");
    ASSERT_EQ(store.customIcon(iconDesktop("A"))->pixelColor(64, 64), QColor(Qt::red));

    QFile::remove(iconPath("A")); // the cache answers without the file
    EXPECT_TRUE(store.customIcon(iconDesktop("A")));

    const QString redFile = iconPath("A");
    ASSERT_TRUE(DataFile::write(redFile, "red"));
    store.setCustomIcon(imageFile("green.png", {64, 64}, Qt::green, Qt::green), "A");
    EXPECT_NE(iconPath("A"), redFile); // a new file of its own
    EXPECT_FALSE(QFile::exists(redFile));
    const std::optional<QImage> icon = store.customIcon(iconDesktop("A"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixelColor(64, 64), QColor(Qt::green));
}

TEST_F(SpaceIconTest, RemovingOrAnUnreadableImageLeavesNoIcon)
{
    store.setCustomIcon(imageFile("red.png", {64, 64}, Qt::red, Qt::red), "A");
    const QString file = iconPath("A");
    ASSERT_TRUE(QFile::exists(file));
    store.setCustomIcon(std::nullopt, "A");
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(store.metas().contains("A")); // the record held nothing else
    EXPECT_FALSE(store.customIcon(iconDesktop("A")));

    store.setCustomIcon(imageFile("red.png", {64, 64}, Qt::red, Qt::red), "B");
    const QString fileB = iconPath("B");
    const QString text = home.path("notes.txt");
    ASSERT_TRUE(DataFile::write(text, "not an image"));
    store.setCustomIcon(text, "B");
    EXPECT_FALSE(QFile::exists(fileB));
    EXPECT_FALSE(store.meta("B").iconFile);
    EXPECT_FALSE(store.customIcon(iconDesktop("B")));

    store.setCustomIcon(home.path("missing.png"), "C");
    EXPECT_FALSE(store.metas().contains("C"));
}

TEST_F(SpaceIconTest, IconFileThatIsMissingOnDiskGivesNone)
{
    store.replaceAll({{"A", SpaceMeta{.iconFile = "A.png"}}});
    EXPECT_FALSE(store.customIcon(iconDesktop("A")));
}

TEST_F(SpaceIconTest, NothingOutsideTheIconsFolderIsReadOrDeleted)
{
    // A file beside Icons/ that a crafted record points at.
    const QString outside = AppPaths::file("precious.png");
    ASSERT_TRUE(QImage(8, 8, QImage::Format_ARGB32).save(outside, "PNG"));
    const QString outsideName = QStringLiteral("../precious.png");

    store.replaceAll({{"A", SpaceMeta{.iconFile = outsideName}}, {"B", SpaceMeta{.iconFile = outside}}});
    EXPECT_FALSE(store.customIcon(iconDesktop("A")));
    EXPECT_FALSE(store.customIcon(iconDesktop("B")));

    store.setCustomIcon(std::nullopt, "A");
    store.setCustomIcon(std::nullopt, "B");
    EXPECT_TRUE(QFile::exists(outside));
    EXPECT_FALSE(store.metas().contains("A"));

    // A key that would make a path writes nothing and records no icon.
    const QString image = imageFile("red.png", {16, 16}, Qt::red, Qt::red);
    store.setCustomIcon(image, "../escape");
    EXPECT_FALSE(QFile::exists(AppPaths::supportDirectory() + "/escape.png"));
    EXPECT_FALSE(store.metas().contains("../escape"));

    // The same guard applies to what spaces.json holds.
    ASSERT_TRUE(DataFile::write(AppPaths::file("other.json"), R"({"A": {"iconFile": "../precious.png", "name": "x"}})"));
    SpaceStore loaded(scheduler, AppPaths::file("other.json"));
    EXPECT_EQ(loaded.meta("A"), (SpaceMeta{.name = "x"}));
}

TEST_F(SpaceIconTest, IconThatASavedProfileShowsSurvivesChangesUnderAnotherProfile)
{
    store.setCustomIcon(imageFile("red.png", {64, 64}, Qt::red, Qt::red), "A");
    const QString saved = *store.meta("A").iconFile; // what a saved profile names
    store.iconFileKept = [saved](const QString& file) { return file == saved; };

    store.setCustomIcon(imageFile("green.png", {64, 64}, Qt::green, Qt::green), "A");
    EXPECT_NE(*store.meta("A").iconFile, saved);
    store.setCustomIcon(std::nullopt, "A");
    ASSERT_TRUE(QFile::exists(AppPaths::iconsDirectory() + "/" + saved));

    // Back to the profile that shows it: the icon is there, red as it was.
    store.replaceAll({{"A", SpaceMeta{.iconFile = saved}}});
    const auto icon = store.customIcon(iconDesktop("A"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixelColor(64, 64), QColor(Qt::red));
}
