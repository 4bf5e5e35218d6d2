// EXECUTE, the undo and redo history, CONTENT, CHANGED, UPDATE and LOAD.

#include "support/EditorFixture.h"

#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>

using namespace vorn;

namespace {
const QString NoUndo = QStringLiteral("Keine weiteren Rückgängig-Schritte vorhanden!");
const QString NoRedo = QStringLiteral("Keine weiteren Wiederherstellungs-Schritte vorhanden!");
const QString NoSuchLine = QStringLiteral("Die Zeile gibt es nicht.");
} // namespace

using HistoryTest = EditorTest;

TEST_F(HistoryTest, TenNewestStepsUndoAndRedoInOrder)
{
    edit->setCONTENT(QStringLiteral("x"));
    key(Qt::Key_End);
    type(QStringLiteral("abcdefghijk")); // eleven recorded edits
    ASSERT_EQ(edit->CONTENT(), QStringLiteral("xabcdefghijk"));
    EXPECT_EQ(edit->undoList().COUNT(), 10);

    QStringList seen;
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.UNDO")));
        seen << edit->CONTENT();
    }
    EXPECT_EQ(seen.first(), QStringLiteral("xabcdefghij"));
    EXPECT_EQ(seen.last(), QStringLiteral("xa"));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("edit.undo")));
    EXPECT_EQ(messages(), QStringList{ NoUndo });
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("xa"));
    EXPECT_EQ(edit->redoList().COUNT(), 10);

    // Undone steps come back in order and are no new steps themselves; a new edit drops them.
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.REDO")));
    EXPECT_EQ(edit->CONTENT(), seen[8]);
    key(Qt::Key_Shift);
    EXPECT_EQ(edit->redoList().COUNT(), 9);
    type(QStringLiteral("z"));
    EXPECT_EQ(edit->redoList().COUNT(), 0);
    dialogs->clear();
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.REDO")));
    EXPECT_EQ(messages(), QStringList{ NoRedo });
    EXPECT_EQ(edit->CONTENT(), seen[8] + u'z');

    // Writing CONTENT starts the history anew.
    edit->setCONTENT(QStringLiteral("two\nlines"));
    EXPECT_EQ(edit->undoList().items(), QStringList{ QStringLiteral("two\nlines") });
    EXPECT_EQ(edit->redoList().COUNT(), 0);
}

TEST_F(HistoryTest, UpdateKeepsTextAndChanged)
{
    edit->setCONTENT(QStringLiteral("text"));
    EXPECT_FALSE(edit->CHANGED());
    edit->UPDATE();
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("text"));
    EXPECT_FALSE(edit->CHANGED());

    type(QStringLiteral("!"));
    EXPECT_TRUE(edit->CHANGED());
    const CoreEditor* before = edit->EDIT().get();
    edit->UPDATE();
    EXPECT_NE(edit->EDIT().get(), before);
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("!text"));
    EXPECT_TRUE(edit->CHANGED());

    // Writing CHANGED true marks the document, so the next step records a snapshot.
    edit->setCHANGED(false);
    const qint32 steps = edit->undoList().COUNT();
    edit->setCHANGED(true);
    key(Qt::Key_Shift);
    EXPECT_EQ(edit->undoList().COUNT(), steps + 1);
}

TEST_F(HistoryTest, LoadReadsFilesAndRefusesMissingOnes)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.vorn"));
    const QString script = dir.filePath(QStringLiteral("script.vorn"));
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QFile g(script);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("BEGIN HOUSE \"H\xc3\xa4\"\r\nEND\r\n");
    }
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

using CommandTest = EditorTest;

TEST_F(CommandTest, UnknownWordsAreRefused)
{
    for (const char* word : { "EDIT", "UNDO", "EDIT.FROB", "PASTE.TEXT", "FILE.OPEN", "" })
        EXPECT_FALSE(edit->EXECUTE(QString::fromLatin1(word))) << word;
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("Edit.Mark.All")));
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.MARKALL")));
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(CommandTest, GotoAnswers)
{
    edit->setCONTENT(numberedLines(5));
    const auto go = [&](std::optional<QString> answer) {
        dialogs->clear();
        dialogs->queueAnswer(std::move(answer));
        return edit->EXECUTE(QStringLiteral("EDIT.GOTO"));
    };

    EXPECT_TRUE(go(QStringLiteral("3")));
    EXPECT_EQ(edit->ROW(), 3) << "row 2 counted from 0";
    EXPECT_EQ(edit->COL(), 1);
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text, QStringLiteral("Zu welcher Zeile wollen Sie springen? (1-5)"));
    EXPECT_EQ(dialogs->shown()[0].title, QStringLiteral("1")) << "the current row is proposed";

    for (const char* bad : { "0", "text", "6", "-2" }) {
        EXPECT_FALSE(go(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(messages(), QStringList{ NoSuchLine }) << bad;
        EXPECT_EQ(edit->ROW(), 3) << bad;
    }

    EXPECT_TRUE(go(QString()));
    EXPECT_TRUE(go(std::nullopt));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(edit->ROW(), 3);

    // The leading number counts; halves go to the even row.
    EXPECT_TRUE(go(QStringLiteral("4 lines")));
    EXPECT_EQ(edit->ROW(), 4);
    EXPECT_TRUE(go(QStringLiteral("3.5")));
    EXPECT_EQ(edit->ROW(), 3);
    EXPECT_EQ(dialogs->shown()[0].title, QStringLiteral("4"));
}

TEST_F(CommandTest, PasteIconInsertsTheChosenPathOrNothing)
{
    edit->setCONTENT(QStringLiteral("ICON="));
    key(Qt::Key_End);
    edit->setLAST(QStringLiteral("/icons/old.png"));

    dialogs->queueAnswer(std::nullopt);
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("PASTE.ICON")));
    EXPECT_EQ(edit->LAST(), QStringLiteral("/icons/old.png"));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("ICON="));
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].kind, QStringLiteral("file"));
    EXPECT_EQ(dialogs->shown()[0].text, QStringLiteral("Symbolgrafik auswählen"));
    EXPECT_EQ(dialogs->shown()[0].title, QStringLiteral("/icons/old.png"));

    dialogs->queueAnswer(QStringLiteral("/icons/house.png"));
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("paste.icon")));
    EXPECT_EQ(edit->LAST(), QStringLiteral("/icons/house.png"));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("ICON=/icons/house.png"));
    // Recorded at the next step, like any change.
    key(Qt::Key_Shift);
    EXPECT_TRUE(edit->CHANGED());
}

TEST_F(CommandTest, ClipboardCommands)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    edit->setCONTENT(QStringLiteral("alpha beta\ngamma"));
    clipboard->setText(QStringLiteral("stale"));
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.COPY")));
    EXPECT_EQ(clipboard->text(), QString()) << "an empty selection leaves an empty clipboard";

    // Select "beta\ngam" with the keyboard, cut it and paste it back at the end.
    key(Qt::Key_Right, Qt::ControlModifier);
    for (int i = 0; i < 8; ++i)
        key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.CUT")));
    EXPECT_EQ(clipboard->text(), QStringLiteral("beta\ngam"));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("alpha ma"));
    key(Qt::Key_End);
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.PASTE")));
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("alpha mabeta\ngam"));

    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.MARK.ALL")));
    EXPECT_EQ(engine().view().selectedText(), edit->CONTENT());
    EXPECT_TRUE(edit->EXECUTE(QStringLiteral("EDIT.DELETE")));
    EXPECT_EQ(edit->CONTENT(), QString());
}
