// Editing sessions in data/editor, compared with golden files (see support/Golden.h; regenerate
// with VORN_UPDATE_GOLDEN=1). NAME.keys holds one step a line ("\n" in a text is a line break):
//   content TEXT, last TEXT, changed true|false   write CONTENT, LAST, CHANGED
//   type TEXT                                     the characters typed on the canvas
//   key KEYS                                      one key, as Qt names it: "Return", "Ctrl+Right"
//   cursor ROW COL, word                          the engine's cursor put there; a double click
//   do WORD, update                               EXECUTE, UPDATE
//   load FILE, snapshot                           LOAD of data/editor/FILE; the text as last written or read
//   answer TEXT, cancel                           how the next dialog answers
//   clipboard TEXT                                the clipboard's text
// NAME.expected shows each step and after it every dialog shown, CHANGED when the control told of it, the clipboard
// when it changed, the selection, LAST, the text with the cursor, CHANGED, and the sizes of the undo and redo lists.
#include "support/Golden.h"
#include "support/EditorFixture.h"

#include <QClipboard>
#include <QKeySequence>
#include <QSignalSpy>

namespace {

QString quotedText(QString t)
{
    return '"' + t.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n")) + '"';
}

class EditingGolden : public EditorTest, public ::testing::WithParamInterface<std::string> {};

} // namespace

TEST_P(EditingGolden, MatchesExpected)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString out, shownClipboard = clipboard->text();
    size_t shownDialogs = 0;
    QSignalSpy told(edit.get(), &vorn::ctl_VornEdit::changedChanged);
    QSignalSpy moved(edit.get(), &vorn::ctl_VornEdit::cursorMoved);
    for (const QString& line : golden::script("editor", GetParam(), ".keys").split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString step = line.section(u' ', 0, 0);
        const QVariantList before = { edit->ROW(), edit->COL() };
        const QString text = line.section(u' ', 1).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        out += "> " + line + '\n';
        if (step == u"content")
            edit->setCONTENT(text);
        else if (step == u"last")
            edit->setLAST(text);
        else if (step == u"changed")
            edit->setCHANGED(text == u"true");
        else if (step == u"type")
            type(text);
        else if (step == u"key" && text == u"Shift")
            key(Qt::Key_Shift);
        else if (step == u"key")
            key(QKeySequence(text)[0].key(), QKeySequence(text)[0].keyboardModifiers());
        else if (step == u"cursor")
            engine().view().setCursor(text.section(u' ', 0, 0).toInt() - 1, text.section(u' ', 1).toInt() - 1, 0);
        else if (step == u"word")
            engine().view().doubleClick();
        else if (step == u"do")
            out += edit->EXECUTE(text) ? "  done\n" : "  refused\n";
        else if (step == u"update")
            edit->UPDATE();
        else if (step == u"load")
            out += edit->LOAD(golden::folder("editor") + '/' + text) ? "  loaded\n" : "  refused\n";
        else if (step == u"snapshot")
            out += "  snapshot " + quotedText(edit->snapshot()).replace(u'\r', QStringLiteral("\\r")) + '\n';
        else if (step == u"answer")
            dialogs->queueAnswer(text);
        else if (step == u"cancel")
            dialogs->queueAnswer(std::nullopt);
        else if (step == u"clipboard")
            clipboard->setText(shownClipboard = text);
        else
            ADD_FAILURE() << "unknown step: " << line.toStdString();
        for (; shownDialogs < dialogs->shown().size(); ++shownDialogs) {
            const auto& d = dialogs->shown()[shownDialogs];
            out += "  " + d.kind + ": " + d.text + " | " + d.title + '\n';
        }
        for (const QList<QVariant>& signal : std::as_const(told))
            out += signal[0].toBool() ? "  told changed\n" : "  told unchanged\n";
        told.clear();
        // A key that moves the cursor tells where it went.
        const QVariantList after = { edit->ROW(), edit->COL() };
        if ((step == u"key" || step == u"type") && after != before) {
            EXPECT_FALSE(moved.isEmpty()) << line.toStdString();
        }
        if (!moved.isEmpty()) {
            EXPECT_EQ(moved.last(), after) << line.toStdString();
        }
        moved.clear();
        if (clipboard->text() != shownClipboard)
            out += "  clipboard " + quotedText(shownClipboard = clipboard->text()) + '\n';
        if (!engine().view().selectedText().isEmpty())
            out += "  selected " + quotedText(engine().view().selectedText()) + '\n';
        if (!edit->LAST().isEmpty())
            out += "  last " + quotedText(edit->LAST()) + '\n';
        out += QStringLiteral("  %1 at %2:%3%4, undo %5, redo %6\n")
                   .arg(quotedText(edit->CONTENT()))
                   .arg(edit->ROW())
                   .arg(edit->COL())
                   .arg(edit->CHANGED() ? QStringLiteral(", changed") : QString())
                   .arg(edit->undoList().COUNT())
                   .arg(edit->redoList().COUNT());
    }
    golden::expectMatches("editor", GetParam(), out);
}
INSTANTIATE_TEST_SUITE_P(Golden, EditingGolden, ::testing::ValuesIn(golden::cases("editor", ".keys")),
                         golden::testName);
