#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "UI/Settings/WindowsPane.h"
#include "tests/UI/SettingsWorld.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// Every text of the window fits where it is laid out at the default size: no
// label, check box or button is narrower than its text needs or reaches past
// the window's edge.
void expectNothingClipped(QWidget* root, const char* what)
{
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root) || widget->width() == 0)
            continue;
        if (auto* bar = qobject_cast<QScrollBar*>(widget); bar && bar->orientation() == Qt::Horizontal)
            ADD_FAILURE() << what << ": a form scrolls sideways";
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool text = (label && !label->wordWrap() && label->pixmap().isNull() && !label->text().isEmpty()
                           && label->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
            || qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget);
        if (!text)
            continue;
        const std::string name = std::string(widget->metaObject()->className()) + " "
            + (label ? label->text() : widget->property("text").toString()).toStdString();
        EXPECT_GE(widget->width(), widget->sizeHint().width()) << what << ": " << name;
        EXPECT_LE(widget->mapTo(root, QPoint(widget->width(), 0)).x(), root->width()) << what << ": " << name;
    }
}

class SettingsLookTest : public test::SettingsWorldTest {
protected:
    void TearDown() override
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        SettingsWorldTest::TearDown();
    }
    // The whole window, for people who look (LUMIVAST_SCREENSHOT_DIR), scrolled to `scroll` of the pane's form.
    void look(const char* name, QScrollArea* form = nullptr, double scroll = 0)
    {
        if (form)
            form->verticalScrollBar()->setValue(int(form->verticalScrollBar()->maximum() * scroll));
        QCoreApplication::processEvents();
        const QImage image = window().grab().toImage();
        EXPECT_EQ(image.size(), window().size() * window().devicePixelRatio());
        keep(image, QString::fromLatin1(name));
    }
};

TEST_F(SettingsLookTest, GeneralFitsTheDefaultWindow)
{
    home.defaults().set(Settings::Key::localAPI, true);
    controller->show(SettingsTab::general);
    expectNothingClipped(&window(), "General");
    look("settings-general");
    look("settings-general-end", pane<GeneralPane>(), 1);
}

TEST_F(SettingsLookTest, SpacesWithAnAutomationFitsTheDefaultWindow)
{
    store->setNote(QStringLiteral("Client work and reviews"), space(2).id);
    store->setSymbol(QStringLiteral("hammer"), space(2).id);
    store->setColor(QStringLiteral("#4F7BF7"), space(2).id);
    store->setGroup(QStringLiteral("Clients"), space(2).id);
    SpaceAutomation automation;
    automation.launchApps = {QStringLiteral("/Applications/Editor.app")};
    automation.openURLs = {QStringLiteral("https://example.org/a/very/long/path/that/does/not/fit/in/the/row/at/all")};
    automation.browserApp = QStringLiteral("com.brave.Browser");
    automation.browserProfile = QStringLiteral("Profile 1");
    automation.scriptOnEnter = QStringLiteral("open -g 'raycast://extensions'");
    automation.pinnedApps = {QStringLiteral("org.example.mail")};
    store->setAutomation(automation, space(2).id);
    controller->show(SettingsTab::spaces, space(2).id);
    SpacesPane* spaces = pane<SpacesPane>();
    ASSERT_NE(spaces, nullptr);
    ASSERT_NE(spaces->editor(), nullptr);
    expectNothingClipped(&window(), "Spaces");
    look("settings-spaces");
    look("settings-spaces-middle", spaces->editor(), 0.5);
    look("settings-spaces-end", spaces->editor(), 1);
}

TEST_F(SettingsLookTest, SpaceEditorFieldsLineUpInOneColumn)
{
    // With an icon image and the shortcut list arrived, so that the choosers are pickers.
    const QString image = home.path(QStringLiteral("icon.png"));
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(QColor(0x4F, 0x7B, 0xF7));
    picture.save(image);
    store->setCustomIcon(image, space(2).id);
    world->shortcuts().names = QStringList{"Focus On", "Music"};
    controller->show(SettingsTab::spaces, space(2).id);
    SpacesPane* spaces = pane<SpacesPane>();
    ASSERT_NE(spaces, nullptr);
    SpaceEditor* editor = spaces->editor();
    ASSERT_NE(editor, nullptr);
    SpaceEditor::shortcutQueue().waitUntilIdle();
    scheduler.runPending();
    QCoreApplication::processEvents();
    look("settings-spaces-pickers");
    look("settings-spaces-pickers-middle", editor, 0.5);
    // The choosers' pickers start where the fields do.
    for (QComboBox* picker : editor->findChildren<QComboBox*>()) {
        if (picker->isVisibleTo(editor))
            EXPECT_EQ(picker->mapTo(editor, QPoint(0, 0)).x(),
                      editor->findChild<QLineEdit*>()->mapTo(editor, QPoint(0, 0)).x());
    }
    // Every text field of the form follows a row label ("Name" to "Run shell command"): all start at one x.
    std::map<int, QStringList> starts;
    for (QLineEdit* field : editor->findChildren<QLineEdit*>()) {
        if (field->isVisibleTo(editor))
            starts[field->mapTo(editor, QPoint(0, 0)).x()].append(field->placeholderText());
    }
    EXPECT_EQ(starts.size(), 1u) << [&] {
        std::string text;
        for (const auto& [x, fields] : starts)
            text += std::to_string(x) + ": " + fields.join(QStringLiteral(" | ")).toStdString() + "\n";
        return text;
    }();
}

TEST_F(SettingsLookTest, WindowsFitsTheDefaultWindow)
{
    home.defaults().set(Settings::Key::scratchpadApp, QStringLiteral("org.example.editor"));
    controller->show(SettingsTab::windows);
    expectNothingClipped(&window(), "Windows");
    look("settings-windows");
    look("settings-windows-end", pane<WindowsPane>(), 1);
}

} // namespace
