// How the settings store reports its failures: the message box and the
// syslog record.

#include "ScriptedDialogs.h"
#include "platform/ShellFolders.h"
#include "xml/XMLSettingsReport.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <syslog.h>
#include <unistd.h>

namespace {

TEST(SettingsReport, EventTypeAndStringsFollowTheIcon)
{
    const std::string exe = platform::ExecutablePath();
    const std::string noSpace = strerrordesc_np(ENOSPC);
    struct Case {
        unsigned flags;
        int error;
        int priority;
        std::vector<std::string> strings;
    } cases[] = {
        { 0x10, ENOSPC, LOG_ERR, { "text", exe, noSpace } },
        { 0x30, ENOSPC, LOG_WARNING, { "text", exe, noSpace } },
        { 0x40, ENOSPC, LOG_INFO, { "text", exe } }, // information carries no system message
        { 0x20, ENOSPC, LOG_INFO, { "text", exe } }, { 0x00, ENOSPC, LOG_NOTICE, { "text", exe, noSpace } },
        { 0x10, 0, LOG_ERR, { "text", exe } },
        { 0x14, ENOSPC, LOG_ERR, { "text", exe, noSpace } }, // buttons do not matter
    };
    for (const Case& c : cases) {
        TXMLSettingsEvent event = XMLSettingsEvent("text", c.flags, c.error);
        EXPECT_EQ(event.priority, c.priority) << c.flags;
        EXPECT_EQ(event.strings, c.strings) << c.flags;
    }
}

TEST(SettingsReport, FileMessagesNameFileDirectoryAndErrorTwiceAndAreShownAsDialogs)
{
    char directory[4096];
    ASSERT_NE(getcwd(directory, sizeof directory), nullptr);
    EXPECT_EQ(XMLSettingsFileMessage("/x/y.xml", "written", "SaveAll", ENOSPC),
        std::string(
            "The XML configuration file /x/y.xml can not be written (SaveAll)\n\nCurrent directory is ")
            + directory + "\n\nError code 28 (0x0000001C)\nNo space left on device");
    EXPECT_EQ(XMLSettingsSystemMessage(0), "No text message");
    EXPECT_EQ(XMLSettingsSystemMessage(99999), "No text message");
    EXPECT_EQ(XMLSettingsSystemMessage(EACCES), "Permission denied");

    // Every report is shown through the dialog interface.
    vantor::test::ScriptedDialogs dialogs;
    ReportXMLSettingsMessage("first line\nsecond line", "Warning", 0x30, EACCES);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "first line\nsecond line");
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].flags, 0x30u);
}

} // namespace
