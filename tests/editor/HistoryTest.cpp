// LOAD; the commands, the history, CONTENT, CHANGED and UPDATE are in data/editor.

#include "support/EditorFixture.h"

#include <QTemporaryDir>

using namespace vorn;

using HistoryTest = EditorTest;

TEST_F(HistoryTest, LoadReadsFilesAndRefusesMissingOnes)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.vorn"));
    const QString script = dir.filePath(QStringLiteral("script.vorn"));
    support::writeFile(empty, {});
    support::writeFile(script, "BEGIN HOUSE \"H\xc3\xa4\"\r\nEND\r\n");
    edit->setCONTENT(QStringLiteral("before"));
    type(QStringLiteral("x"));

    EXPECT_FALSE(edit->LOAD(dir.filePath(QStringLiteral("missing.vorn"))));
    EXPECT_FALSE(edit->LOAD(dir.path()));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("xbefore"));
    EXPECT_TRUE(edit->CHANGED());

    EXPECT_TRUE(edit->LOAD(empty));
    EXPECT_EQ(edit->CONTENT(), QString());
    EXPECT_FALSE(edit->CHANGED());
    EXPECT_EQ(edit->undoList().items(), QStringList{ QString() });

    EXPECT_TRUE(edit->LOAD(script));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("BEGIN HOUSE \"Hä\"\nEND\n"));
    EXPECT_EQ(edit->snapshot(), QStringLiteral("BEGIN HOUSE \"Hä\"\r\nEND\r\n"));
    EXPECT_FALSE(edit->CHANGED());
    EXPECT_EQ(edit->ROW(), 1);
}
