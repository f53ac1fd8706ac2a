#include "flash/FlashOptionsForm.h"

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "app/QtTestApplication.h"
#include "app/WindowState.h"
#include "platform/ShellFolders.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ReadFile;
using vantor::test::ScriptedDialogs;
using vantor::test::WriteFile;
namespace fs = std::filesystem;

// The template folder of the test's private home, emptied.
std::string CleanTemplates()
{
    const fs::path folder = platform::ApplicationDataFolder() + "/Corvane/Templates";
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string() + "/";
}

void Choose(TFlashOptionsForm& form, const char* name)
{
    const int index = form.cbTemplateName->findText(QString::fromUtf8(name));
    form.cbTemplateName->setCurrentIndex(index);
    emit form.cbTemplateName->activated(index);
}

TEST(FlashTemplatePage, CopyProposalsFollowTheSelection)
{
    test::TestApplication();
    const std::string folder = CleanTemplates();
    ScriptedDialogs dialogs;
    TFlashOptionsForm form;
    dialogs.inputAnswers = { "Copy of Default template1" };
    form.btnCopy->click();
    EXPECT_EQ(form.GetTemplate(), "Copy of Default template1");
    EXPECT_EQ(ReadFile(folder + "Copy of Default template1.html").substr(0, 8), "<HTML>\r\n");
    form.btnCopy->click();
    Choose(form, "Default template");
    form.btnCopy->click();
    EXPECT_EQ(dialogs.inputDefaults,
        (std::vector<std::string> { "Copy of Default template1", "Copy of Copy of Default template11",
            "Copy of Default template2" }));
}

TEST(FlashTemplatePage, UnsavedEditsAreKeptOnYesAndDiscardedOnNo)
{
    test::TestApplication();
    const std::string folder = CleanTemplates();
    WriteFile(folder + "a.html", "A\r\n");
    WriteFile(folder + "b.html", "B\n");
    ScriptedDialogs dialogs;
    TFlashOptionsForm form;
    form.ReloadList("A");
    form.btnEdit->click();
    form.mHTML->appendPlainText(QStringLiteral("edit"));
    EXPECT_TRUE(form.btnSave->isEnabled());
    EXPECT_FALSE(form.btnEdit->isEnabled());
    dialogs.messageAnswers = { platform::IDYES, platform::IDNO };
    Choose(form, "b");
    EXPECT_EQ(form.GetTemplate(), "a");
    EXPECT_EQ(form.mHTML->toPlainText().toStdString(), "A\n\nedit");
    Choose(form, "b");
    EXPECT_EQ(form.GetTemplate(), "b");
    EXPECT_EQ(form.mHTML->toPlainText().toStdString(), "B\n");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "You have changed a template. Do you want to save changes?");
    EXPECT_EQ(dialogs.messages[0].caption, "Save changes");

    // Saving keeps the file's own line breaks.
    Choose(form, "a");
    form.btnEdit->click();
    form.mHTML->appendPlainText(QStringLiteral("saved"));
    form.btnSave->click();
    EXPECT_EQ(ReadFile(folder + "a.html"), "A\r\n\r\nsaved");
    EXPECT_TRUE(form.mHTML->isReadOnly());
}

TEST(FlashTemplatePage, CommandsOnFilesAndTheirFailures)
{
    test::TestApplication();
    const std::string folder = CleanTemplates();
    const fs::path outside = vantor::test::TestHome() / "load";
    WriteFile(folder + "page.html", "1");
    WriteFile(folder + "page1.html", "2");
    WriteFile(folder + "MyPage.HTML", "3");
    WriteFile(folder + "old.htm", "4");
    WriteFile(outside / "page.htm", "<p>loaded</p>");
    WriteFile(outside / "bad.html", "\xFF\xFE");
    ScriptedDialogs dialogs;
    TFlashOptionsForm form;
    form.ReloadList("mypage");
    EXPECT_EQ(form.GetTemplate(), "MyPage");
    EXPECT_EQ(form.cbTemplateName->count(), 4); // not old.htm

    dialogs.openFilesAnswers = { { (outside / "page.htm").string() }, { (outside / "bad.html").string() } };
    form.btnFile->click();
    EXPECT_EQ(form.GetTemplate(), "page2");
    EXPECT_EQ(form.mHTML->toPlainText().toStdString(), "<p>loaded</p>");
    EXPECT_EQ(FlashOptionsHtmlPath(), outside.string() + "/");
    form.btnFile->click();
    EXPECT_FALSE(fs::exists(folder + "bad.html"));
    EXPECT_EQ(form.GetTemplate(), "Default template");

    dialogs.inputAnswers = { "../x", "New/x" };
    form.btnNew->click();
    form.btnNew->click();
    EXPECT_FALSE(fs::exists(folder + "../x.html"));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2].text, "Could not copy a template.");
    EXPECT_EQ(dialogs.inputDefaults[0], "New Template1");

    Choose(form, "page");
    dialogs.messageAnswers = { platform::IDYES };
    form.btnDelete->click();
    EXPECT_FALSE(fs::exists(folder + "page.html"));
    EXPECT_EQ(form.GetTemplate(), "Default template");
    EXPECT_FALSE(form.btnEdit->isEnabled() || form.btnDelete->isEnabled() || form.btnSave->isEnabled());
    EXPECT_EQ(dialogs.messages.back().text, "Delete selected template?");
}

} // namespace
