// The control: scroll bars against text and viewport, input forwarding rules, focus. What the
// keys do and what the control tells of them is in data/editor.

#include "support/EditorFixture.h"

#include <QFocusEvent>
#include <QTimer>

using namespace vorn;

namespace {

// Logs what reaches the engine's view, and fails on request.
class RecordingView final : public CoreEditorView {
public:
    explicit RecordingView(CoreEditor& e) : CoreEditorView(e) {}
    QStringList calls;
    bool failKeys = false;

    void keyDown(int key, Qt::KeyboardModifiers shift) override
    {
        calls << QStringLiteral("keyDown");
        if (failKeys)
            throw std::runtime_error("engine failure");
        CoreEditorView::keyDown(key, shift);
    }
    void mouseDown(Qt::MouseButtons b, Qt::KeyboardModifiers s, int x, int y) override
    {
        calls << QStringLiteral("mouseDown");
        CoreEditorView::mouseDown(b, s, x, y);
    }
    void mouseMove(Qt::MouseButtons b, Qt::KeyboardModifiers s, int x, int y) override
    {
        calls << QStringLiteral("mouseMove");
        CoreEditorView::mouseMove(b, s, x, y);
    }
    void mouseUp(Qt::MouseButtons b, Qt::KeyboardModifiers s, int x, int y) override
    {
        calls << QStringLiteral("mouseUp");
        CoreEditorView::mouseUp(b, s, x, y);
    }
};

class RecordingEditor final : public CoreEditor {
public:
    RecordingEditor() : recorder(*this) {}
    CoreEditorView& view() override { return recorder; }
    RecordingView recorder;
};

} // namespace

using ControlTest = EditorTest;

// The vertical bar enables once the text no longer fits.
TEST_F(ControlTest, VerticalBarAgainstTheText)
{
    const int rows = engine().viewport().visibleRowCount();
    ASSERT_GT(rows, 3);
    edit->setCONTENT(numberedLines(rows));
    EXPECT_FALSE(edit->srl_Y()->isEnabled());
    edit->setCONTENT(numberedLines(rows + 1));
    EXPECT_TRUE(edit->srl_Y()->isEnabled());
    EXPECT_EQ(edit->srl_Y()->minimum(), 1);
    EXPECT_EQ(edit->srl_Y()->maximum(), 2);
    EXPECT_EQ(edit->srl_Y()->pageStep(), rows);
    edit->setCONTENT(numberedLines(rows + 40));
    EXPECT_EQ(edit->srl_Y()->maximum(), 41);
}

TEST_F(ControlTest, HorizontalBarCountsVisibleLinesAndSixteenBitsAtMost)
{
    const QString longLine = QString(300, u'x');
    edit->setCONTENT(longLine + u'\n' + numberedLines(100));
    ASSERT_TRUE(edit->srl_X()->isEnabled());
    EXPECT_EQ(edit->srl_X()->minimum(), 0);
    EXPECT_EQ(edit->srl_X()->maximum(), engine().document().lineWidth(1));
    EXPECT_EQ(edit->srl_X()->pageStep(), canvas()->width());

    // Scrolling the long line out of view follows at the next synchronisation step.
    edit->srl_Y()->setValue(10);
    EXPECT_EQ(engine().viewport().firstVisibleRow(), 10);
    EXPECT_TRUE(edit->srl_X()->isEnabled());
    key(Qt::Key_Shift);
    EXPECT_FALSE(edit->srl_X()->isEnabled());

    edit->srl_Y()->setValue(1);
    key(Qt::Key_Shift);
    EXPECT_TRUE(edit->srl_X()->isEnabled());
    edit->srl_X()->setValue(40);
    EXPECT_EQ(engine().viewport().horizontalOffset(), 40);

    // Values beyond 16 bits are not written: the maximum keeps its last value.
    edit->setCONTENT(QString(100, u'x'));
    const int narrow = edit->srl_X()->maximum();
    ASSERT_GT(narrow, canvas()->width());

    edit->setCONTENT(QString(8000, u'x'));
    ASSERT_GT(engine().document().lineWidth(1), 32767);
    EXPECT_TRUE(edit->srl_X()->isEnabled());
    EXPECT_EQ(edit->srl_X()->maximum(), narrow);

    edit->setCONTENT(numberedLines(200));
    const int shortMax = edit->srl_Y()->maximum();
    edit->setCONTENT(QString(33000, u'\n'));
    EXPECT_TRUE(edit->srl_Y()->isEnabled());
    EXPECT_EQ(edit->srl_Y()->maximum(), shortMax);
    // The text itself is whole, whatever the bars can show.
    EXPECT_EQ(engine().document().lineCount(), 33001);
}

TEST_F(ControlTest, ADragThatBeganOutsideTheCanvasIsIgnored)
{
    auto recording = std::make_shared<RecordingEditor>();
    edit->setEDIT(recording);
    recording->document().setText(numberedLines(5));
    const int lh = engine().viewport().lineHeight();

    mouse(QEvent::MouseMove, QPoint(60, 3 * lh), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(60, 3 * lh), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(recording->recorder.calls.isEmpty());
    EXPECT_TRUE(recording->view().selectedText().isEmpty());

    // A drag that starts on the canvas selects.
    mouse(QEvent::MouseButtonPress, QPoint(engine().viewport().textLeft(), lh / 2), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(engine().viewport().textLeft() + 200, 2 * lh + lh / 2), Qt::NoButton,
          Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(recording->recorder.calls, QStringList({ "mouseDown", "mouseMove", "mouseUp" }));
    EXPECT_EQ(recording->view().selectedText(), QStringLiteral("line 1\nline 2\nline 3"));

    // A release without its press does not reach the engine.
    mouse(QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(recording->recorder.calls.size(), 3);
}

TEST_F(ControlTest, AFailingEngineIsRebuiltWithTextAndChangedKept)
{
    auto failing = std::make_shared<RecordingEditor>();
    failing->document().setText(QStringLiteral("keep me"));
    edit->setEDIT(failing);
    edit->setCHANGED(true);
    failing->recorder.failKeys = true;

    key(Qt::Key_End);
    EXPECT_NE(edit->EDIT().get(), failing.get());
    EXPECT_EQ(edit->CONTENT(), QStringLiteral("keep me"));
    EXPECT_TRUE(edit->CHANGED());
    EXPECT_EQ(engine().canvas(), canvas());
    EXPECT_EQ(failing->canvas(), nullptr);
}

TEST_F(ControlTest, FocusStartsAndStopsTheBlinkTimer)
{
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(canvas(), &in);
    EXPECT_TRUE(edit->tmr_Cursor()->isActive());
    EXPECT_TRUE(engine().view().cursorShown());
    QMetaObject::invokeMethod(edit->tmr_Cursor(), "timeout");
    EXPECT_FALSE(engine().view().cursorShown()) << "a tick toggles the drawn cursor";

    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(canvas(), &out);
    EXPECT_FALSE(edit->tmr_Cursor()->isActive());
}
