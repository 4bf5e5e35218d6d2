// The view part: cursor and selection as the control sees them, and keyboard and mouse input.

#include "CoreEditorPrivate.h"
#include "EditorCharacters.h"

#include <QWidget>

namespace vorn {

CoreEditorView::CoreEditorView(CoreEditor& editor) : d(*editor.m_d) {}

CoreEditorView::~CoreEditorView() = default;

CoreEditorPosition CoreEditorView::cursorPosition() const { return { d.cursor.position() }; }

qint32 CoreEditorView::cursorRow() const { return d.cursor.blockNumber() + 1; }

qint32 CoreEditorView::cursorColumn() const { return d.cursor.positionInBlock() + 1; }

QString CoreEditorView::selectedText() const
{
    QString s = d.cursor.selectedText();
    s.replace(QChar::ParagraphSeparator, u'\n');
    return s;
}

void CoreEditorView::deleteSelection()
{
    if (!d.cursor.hasSelection())
        return;
    d.cursor.removeSelectedText();
    d.afterEdit();
}

void CoreEditorView::setCursor(qint32 row, qint32 column, qint32 flag)
{
    const QTextBlock block = d.doc->findBlockByNumber(qBound(0, row, d.lineCount() - 1));
    const int c = qBound(0, column, block.length() - 1);
    d.moveTo(block.position() + c, flag != 0);
    d.afterMove();
}

CoreEditorSelection& CoreEditorView::selection() { return d.selectionPart; }

void CoreEditorView::beginUpdate() { d.caretShown = false; }

void CoreEditorView::clearSelection()
{
    d.cursor.clearSelection();
    d.repaint();
}

void CoreEditorView::moveToStart() { d.cursor.setPosition(0); }

void CoreEditorView::endUpdate()
{
    d.caretShown = true;
    d.repaint();
}

void CoreEditorView::doubleClick()
{
    d.selectWordAt(d.cursor.position());
    d.selecting = false;
    d.afterMove();
}

void CoreEditorView::keyDown(int key, Qt::KeyboardModifiers shift)
{
    const bool extend = shift & Qt::ShiftModifier;
    const bool ctrl = shift & Qt::ControlModifier;
    const bool alt = shift & Qt::AltModifier;
    if (alt)
        return;
    QTextCursor& c = d.cursor;
    switch (key) {
    case Qt::Key_Left:
        if (!extend && !ctrl && c.hasSelection())
            d.moveTo(c.selectionStart(), false);
        else if (ctrl)
            d.moveTo(d.wordStart(c.position()), extend);
        else
            c.movePosition(QTextCursor::PreviousCharacter, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
        d.afterMove();
        break;
    case Qt::Key_Right:
        if (!extend && !ctrl && c.hasSelection())
            d.moveTo(c.selectionEnd(), false);
        else if (ctrl)
            d.moveTo(d.wordEnd(c.position()), extend);
        else
            c.movePosition(QTextCursor::NextCharacter, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
        d.afterMove();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = key == Qt::Key_Up ? -1 : 1;
        if (ctrl) { // scrolls without moving the cursor
            d.firstRow = qBound(1, d.firstRow + step, d.maxFirstRow());
            d.repaint();
        } else {
            d.moveVertically(step, extend);
        }
        break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = qMax(1, d.visibleRows() - 1) * (key == Qt::Key_PageUp ? -1 : 1);
        d.firstRow = qBound(1, d.firstRow + page, d.maxFirstRow());
        d.moveVertically(page, extend);
        break;
    }
    case Qt::Key_Home:
        if (ctrl) {
            d.moveTo(0, extend);
        } else {
            // First to the start of the text in the line, then to the line start.
            const QString line = c.block().text();
            int indent = 0;
            while (indent < line.size() && isBlank(line[indent]))
                ++indent;
            d.moveTo(c.block().position() + (c.positionInBlock() == indent ? 0 : indent), extend);
        }
        d.afterMove();
        break;
    case Qt::Key_End:
        d.moveTo(ctrl ? d.doc->characterCount() - 1 : c.block().position() + c.block().length() - 1, extend);
        d.afterMove();
        break;
    case Qt::Key_Backspace: d.backspace(ctrl); break;
    case Qt::Key_Delete: d.deleteForward(ctrl); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: d.newLine(); break;
    case Qt::Key_Tab:
        if (!ctrl)
            d.tab(extend);
        break;
    case Qt::Key_Backtab: d.tab(true); break;
    case Qt::Key_Insert:
        if (!ctrl && !extend) {
            d.overwrite = !d.overwrite;
            d.repaint();
        }
        break;
    case Qt::Key_Escape:
        c.clearSelection();
        d.repaint();
        break;
    case Qt::Key_A:
        if (ctrl)
            d.selectAll();
        break;
    case Qt::Key_C:
        if (ctrl)
            d.copyToClipboard(false);
        break;
    case Qt::Key_X:
        if (ctrl)
            d.copyToClipboard(true);
        break;
    case Qt::Key_V:
        if (ctrl)
            d.pasteFromClipboard();
        break;
    default: break;
    }
}

void CoreEditorView::keyPress(char32_t character)
{
    // Control characters come as keys (Enter, Tab, Backspace) or not at all.
    if (character < 0x20 || (character >= 0x7F && character < 0xA0) || character > 0x10FFFF
        || (character >= 0xD800 && character <= 0xDFFF))
        return;
    d.insertTyped(QString::fromUcs4(&character, 1));
}

void CoreEditorView::keyUp(int, Qt::KeyboardModifiers) {}

void CoreEditorView::mouseDown(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y)
{
    const int position = d.hitTest(x, y);
    if (button & Qt::LeftButton) {
        d.moveTo(position, shift & Qt::ShiftModifier);
        d.selecting = true;
        d.afterMove();
    } else if (button & Qt::RightButton) {
        // A right click inside the selection keeps it for a context menu.
        if (position < d.cursor.selectionStart() || position > d.cursor.selectionEnd()) {
            d.moveTo(position, false);
            d.afterMove();
        }
    }
}

void CoreEditorView::mouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers, int x, int y)
{
    if (!d.selecting || !(button & Qt::LeftButton))
        return;
    d.moveTo(d.hitTest(x, y), true);
    d.afterMove();
}

void CoreEditorView::mouseUp(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) { d.selecting = false; }

void CoreEditorView::blink()
{
    d.caretShown = !d.caretShown;
    if (d.canvas) {
        const int y = (d.cursor.blockNumber() + 1 - d.firstRow) * d.lineHeight;
        d.canvas->update(QRect(0, y, d.canvasWidth(), d.lineHeight));
    }
}

void CoreEditorView::layoutStarting()
{
    const qint32 row = d.cursor.blockNumber() + 1;
    d.cursorWasVisible = row >= d.firstRow && row < d.firstRow + qMax(1, d.visibleRows());
}

void CoreEditorView::layoutFinished()
{
    if (d.cursorWasVisible)
        d.ensureCursorVisible();
    d.repaint();
}

bool CoreEditorView::cursorShown() const { return d.caretShown; }

bool CoreEditorView::overwriteMode() const { return d.overwrite; }

} // namespace vorn
