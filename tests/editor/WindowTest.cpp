// The window of `vorn edit`: checking with lines, jumping to them, saving.

#include "EditorWindow.h"
#include "support/Common.h"
#include "support/ScriptedDialogService.h"

#include <vorn/CoreServices.h>

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

using namespace vorn;
using vornapp::EditorWindow;

TEST(EditorWindow, CheckJumpSaveAndNewFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lamps.vorn"));
    support::writeFile(path,
                       "# lamps\r\n"
                       "BEGIN ELEMENT NAME=\"LAMP\"\r\n    LONG NAME=\"WATT\"\r\n    PARENT \"NONE\"\r\nEND\r\n"
                       "LAMP WATT=\"bright\"\r\n"
                       "END\r\n");
    EditorWindow window;
    ASSERT_TRUE(window.openFile(path));
    const auto findings = window.check();
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].line, 6);
    EXPECT_TRUE(findings[0].text.contains(QStringLiteral("'bright'"))) << findings[0].text.toStdString();
    EXPECT_EQ(findings[1].line, 7);

    window.showFindings();
    ASSERT_EQ(window.findings()->count(), 2);
    window.jumpTo(window.findings()->item(1));
    EXPECT_EQ(window.editor()->ROW(), 7);

    // Saving keeps the file's CR LF line ends.
    window.editor()->setCONTENT(QStringLiteral("# one\n# two\n"));
    window.editor()->setCHANGED(true);
    ASSERT_TRUE(window.save());
    EXPECT_EQ(support::readAll(path), QByteArray("# one\r\n# two\r\n"));
    EXPECT_FALSE(window.editor()->CHANGED());
    EXPECT_TRUE(window.check().empty());

    // A new file is written on saving; a missing one is not opened and the message names it.
    const QString fresh = dir.filePath(QStringLiteral("new.vorn"));
    window.startNew(fresh);
    EXPECT_EQ(window.path(), fresh);
    window.editor()->setCONTENT(QStringLiteral("INCLUDE FILE=\"x.vorn\"\n"));
    ASSERT_TRUE(window.save());
    EXPECT_EQ(support::readAll(fresh), QByteArray("INCLUDE FILE=\"x.vorn\"\n"));
    auto dialogs = std::make_shared<ScriptedDialogService>();
    CoreServices::instance().setDialogs(dialogs);
    EXPECT_FALSE(window.openFile(dir.filePath(QStringLiteral("missing.vorn"))));
    EXPECT_EQ(window.path(), fresh);
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_TRUE(dialogs->shown()[0].text.contains(QStringLiteral("missing.vorn")));
    CoreServices::instance().setDialogs(nullptr);
}
