// The editing engine on its own: text bookkeeping, editing keys, colouring and the style file.

#include "support/EditorFixture.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace vorn;

namespace {

// The document's own text, as Qt stores it, with lines joined by "\n".
QString storedText(CoreEditor& e)
{
    QString raw = e.document().textDocument()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}

// The colour the highlighter gave to the character at a column of a line (from 1).
QColor colourAt(CoreEditor& e, int line, int column)
{
    const QTextBlock block = e.document().textDocument()->findBlockByNumber(line - 1);
    for (const auto& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length)
            return range.format.foreground().color();
    return QColor();
}

} // namespace

TEST(EngineText, KeptTextFollowsEveryKindOfEdit)
{
    const Ref<CoreEditor> e = CoreEditor::create();
    CoreEditorView& v = e->view();
    e->document().setText(QStringLiteral("BEGIN A\n  X=1\nEND\n"));
    QRandomGenerator random(4711);
    const int keys[] = { Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_Left,
                         Qt::Key_Right,  Qt::Key_Up,        Qt::Key_Down,   Qt::Key_Home, Qt::Key_End };
    for (int step = 0; step < 600; ++step) {
        const int what = random.bounded(6);
        const Qt::KeyboardModifiers mods = random.bounded(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
        if (what == 0)
            v.keyPress(char32_t(U'a' + random.bounded(26)));
        else if (what == 1)
            v.keyPress(U'\U0001F600'); // outside the 16-bit range: two code units
        else if (what == 2)
            e->document().insert(v.cursorPosition(), QStringLiteral("x\r\ny"));
        else
            v.keyDown(keys[random.bounded(int(std::size(keys)))], mods);
        ASSERT_EQ(e->document().text(), storedText(*e)) << "step " << step;
    }
    const QString before = e->document().text();
    e->document().setText(before.left(before.size() / 2) + QStringLiteral("MIDDLE") + before.mid(before.size() / 2));
    EXPECT_EQ(e->document().text(), storedText(*e));
}

TEST(EngineText, LineEndsModifiedFlagAndTheCursorAfterARewrite)
{
    const Ref<CoreEditor> e = CoreEditor::create();
    e->document().setText(QStringLiteral("a\r\nb\rc") + QChar(0x2028) + QStringLiteral("d\n"));
    EXPECT_EQ(e->document().text(), QStringLiteral("a\nb\nc\nd\n"));
    EXPECT_EQ(e->document().lineCount(), 5);
    EXPECT_FALSE(e->document().isModified());
    e->view().keyPress(U'z');
    EXPECT_TRUE(e->document().isModified());
    e->document().setModified(false);
    e->document().setText(QString()); // writing leaves the flag
    EXPECT_FALSE(e->document().isModified());
    EXPECT_EQ(e->document().lineCount(), 1);
    EXPECT_EQ(e->document().lineWidth(0), 0);
    EXPECT_EQ(e->document().lineWidth(2), 0);

    e->document().setText(numberedLines(50));
    EXPECT_EQ(e->view().cursorRow(), 1) << "a fresh text starts at the top";
    QString text = e->document().text();
    text.replace(QStringLiteral("line 30\n"), QStringLiteral("line 30 changed\n"));
    e->document().setText(text);
    EXPECT_EQ(e->view().cursorRow(), 30);
    EXPECT_EQ(e->view().cursorColumn(), 16);
}

// The editing keys are in data/editor; control characters and lone surrogates are not text.
TEST(EngineKeys, ControlCharactersAreNoText)
{
    const Ref<CoreEditor> e = CoreEditor::create();
    e->document().setText(QStringLiteral("FIN"));
    for (char32_t c : { U'\t', U'\x7f', char32_t(0xD800), U'\x01' })
        e->view().keyPress(c);
    EXPECT_EQ(e->document().text(), QStringLiteral("FIN"));
}

TEST(EngineViewport, RowsAndOffsetStayWithinTheText)
{
    const Ref<CoreEditor> e = CoreEditor::create();
    QWidget canvas;
    canvas.resize(300, 10 * e->viewport().lineHeight() + 3);
    e->setCanvas(&canvas);
    e->document().setText(numberedLines(30));
    CoreEditorViewport& vp = e->viewport();
    EXPECT_EQ(vp.visibleRowCount(), 10);
    EXPECT_EQ(vp.lastVisibleRow(), 11) << "a partly visible row counts as shown";

    vp.setFirstVisibleRow(500);
    EXPECT_EQ(vp.firstVisibleRow(), 30);
    vp.recalculate(0);
    EXPECT_EQ(vp.firstVisibleRow(), 21);

    // The cursor scrolls into view as it moves; select-all scrolls nowhere.
    e->view().setCursor(2, 0, 0);
    EXPECT_EQ(vp.firstVisibleRow(), 3);
    e->view().keyDown(Qt::Key_PageDown, {});
    EXPECT_EQ(e->view().cursorRow(), 12);
    e->view().keyDown(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(vp.firstVisibleRow(), 21);
    EXPECT_EQ(vp.lastVisibleRow(), 30);
    e->setCanvas(nullptr);
    EXPECT_EQ(vp.visibleRowCount(), 0);
}

TEST(EngineColouring, VornScriptPartsGetTheirColours)
{
    const Ref<CoreEditor> e = CoreEditor::create();
    e->document().setText(
        QStringLiteral("  # BEGIN in a comment\n"
                       "BEGIN HOUSE \"H1\", LEVEL=3, LISTED=yes, NEXT=ID_H2\n"
                       "ROOM \"R1\",\n"
                       "    yes\n"
                       "yes\n"));
    const CoreEditorStyle& s = e->style();
    const auto colour = [&](CoreEditorStyle::Category c) { return s.format(c).color; };
    EXPECT_EQ(colourAt(*e, 1, 4), colour(CoreEditorStyle::Comment));
    EXPECT_EQ(colourAt(*e, 2, 0), colour(CoreEditorStyle::Keyword));
    EXPECT_EQ(colourAt(*e, 2, 6), colour(CoreEditorStyle::Type));
    EXPECT_EQ(colourAt(*e, 2, 13), colour(CoreEditorStyle::Text));
    EXPECT_EQ(colourAt(*e, 2, 18), colour(CoreEditorStyle::Attribute));
    EXPECT_EQ(colourAt(*e, 2, 24), colour(CoreEditorStyle::Number));
    EXPECT_EQ(colourAt(*e, 2, 34), colour(CoreEditorStyle::Boolean));
    EXPECT_EQ(colourAt(*e, 2, 44), colour(CoreEditorStyle::Reference));
    // A line that continues the one above holds values, not a type word.
    EXPECT_EQ(colourAt(*e, 4, 4), colour(CoreEditorStyle::Boolean));
    EXPECT_EQ(colourAt(*e, 5, 0), colour(CoreEditorStyle::Type));

    // A new style colours the text anew.
    CoreEditorStyle::Format green{ QColor(Qt::green), true, false };
    e->style().setFormat(CoreEditorStyle::Comment, green);
    EXPECT_EQ(colourAt(*e, 1, 4), QColor(Qt::green));
}

TEST(EngineStyle, StyleFilesSkipBadValuesAndApplySchemes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vorn.stl"));
    support::writeFile(path,
                       "[font]\nsize=abc\nfamily=Courier\n[colors]\nbackground=#102030\ncursor=none\n"
                       "[syntax]\ncomment=#zzzzzz\nkeyword=#00ff00 italic bold\nnumber=red, bold\n"
                       "[options]\ntabwidth=99\nlinenumbers=no\nunknown=1\n"
                       "[dark/colors]\nbackground=#000000\n");
    const Ref<CoreEditorStyle> s = CoreEditorStyle::create();
    const Ref<CoreEditorStyle> defaults = CoreEditorStyle::create();
    ASSERT_TRUE(s->load(path));
    EXPECT_EQ(s->fontFamily(), QStringLiteral("Courier"));
    EXPECT_EQ(s->fontSize(), defaults->fontSize());
    EXPECT_EQ(s->color(CoreEditorStyle::Background), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(s->color(CoreEditorStyle::Cursor), defaults->color(CoreEditorStyle::Cursor));
    EXPECT_EQ(s->format(CoreEditorStyle::Comment), defaults->format(CoreEditorStyle::Comment));
    EXPECT_EQ(s->format(CoreEditorStyle::Keyword), (CoreEditorStyle::Format{ QColor(0, 255, 0), true, true }));
    EXPECT_EQ(s->format(CoreEditorStyle::Number), defaults->format(CoreEditorStyle::Number));
    EXPECT_EQ(s->optionSet().values().tabWidth, 4);
    EXPECT_FALSE(s->optionSet().values().lineNumbers);

    ASSERT_TRUE(s->load(path, QStringLiteral("Dark")));
    EXPECT_EQ(s->color(CoreEditorStyle::Background), QColor(Qt::black));
    EXPECT_FALSE(s->load(dir.filePath(QStringLiteral("missing.stl"))));
    EXPECT_EQ(s->color(CoreEditorStyle::Background), QColor(Qt::black));

    // Packages carry style and options whole; the shipped file holds the built-in values.
    const Ref<CoreEditorStyle> copy = CoreEditorStyle::create();
    copy->DATA().setPACKAGE(s->DATA().PACKAGE());
    EXPECT_EQ(copy->settings(), s->settings());
    EXPECT_EQ(copy->optionSet().values(), s->optionSet().values());
    const Ref<CoreEditorStyle> shipped = CoreEditorStyle::create();
    ASSERT_TRUE(shipped->load(QDir::cleanPath(QStringLiteral(VORN_TEST_DATA "/../../resources/vorn.stl"))));
    EXPECT_EQ(shipped->settings(), defaults->settings());
    EXPECT_EQ(shipped->optionSet().values(), defaults->optionSet().values());
}

TEST_F(EditorTest, TheControlTakesStyleAndOptionsFromTheSettingsFolder)
{
    QDir().mkpath(QFileInfo(edit->stylePath()).path());
    support::writeFile(edit->stylePath(), "[font]\nsize=14\n[options]\ntabwidth=2\nlinenumbers=false\n");
    vorn::ctl_VornEdit styled;
    QFile::remove(edit->stylePath());
    EXPECT_TRUE(styled.stylePath().endsWith(QStringLiteral("/vorn/vorn.stl")));
    EXPECT_EQ(styled.EDIT()->style().fontSize(), 14);
    EXPECT_EQ(styled.EDIT()->options().values().tabWidth, 2);
    EXPECT_EQ(styled.EDIT()->document().textDocument()->defaultFont().pointSizeF(), 14);

    // A rebuilt engine keeps them.
    styled.setCONTENT(QStringLiteral("x"));
    EXPECT_EQ(styled.EDIT()->options().values().tabWidth, 2);
    EXPECT_EQ(styled.EDIT()->viewport().textLeft(), 4) << "no line-number margin";
    EXPECT_GT(styled.EDIT()->viewport().lineHeight(), engine().viewport().lineHeight());
}

TEST_F(EditorTest, OddTextIsKeptDrawnAndEditedWithoutHarm)
{
    QString odd = QStringLiteral("nul:") + QChar(0) + QStringLiteral(" lone:") + QChar(0xD800) + QStringLiteral(" ")
        + QChar(0xDC00) + QStringLiteral(" rtl:\u05e9\u05dc\u05d5\u05dd bom:\ufeff tab:\t|\nframe:") + QChar(0xFDD0)
        + QStringLiteral("end\n") + QString(20000, u'w');
    edit->setCONTENT(odd);
    odd.replace(QChar(0xFDD0), u'\n');
    EXPECT_EQ(edit->CONTENT(), odd);

    QImage image(canvas()->size(), QImage::Format_ARGB32);
    for (int row = 0; row < 4; ++row) {
        engine().view().setCursor(row, 7, 0);
        key(Qt::Key_End, Qt::ShiftModifier);
        canvas()->render(&image);
        key(Qt::Key_Left);
        key(Qt::Key_Backspace);
        type(QStringLiteral("\u00e4"));
    }
    EXPECT_EQ(edit->CONTENT(), engine().document().text());
    EXPECT_EQ(engine().document().lineCount(), 4);
    EXPECT_TRUE(edit->srl_X()->isEnabled());
}
