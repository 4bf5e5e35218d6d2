// The visible window onto the text: margin, rows in view, sideways scrolling, keeping the
// cursor in view, and the viewport part.

#include "CoreEditorPrivate.h"

#include <QTextLayout>
#include <QWidget>

#include <cmath>

namespace vorn {

namespace {

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

} // namespace

int CoreEditorPrivate::marginWidth() const
{
    if (!options->values().lineNumbers)
        return 0;
    int digits = 3;
    for (int n = lineCount(); n >= 1000; n /= 10)
        ++digits;
    return int(std::ceil(digits * digitWidth)) + 3 * Padding;
}

int CoreEditorPrivate::textOrigin() const { return marginWidth() + Padding; }

int CoreEditorPrivate::canvasWidth() const { return canvas ? canvas->width() : 0; }

int CoreEditorPrivate::canvasHeight() const { return canvas ? canvas->height() : 0; }

qint32 CoreEditorPrivate::visibleRows() const { return canvasHeight() / lineHeight; }

qint32 CoreEditorPrivate::lastVisibleRow() const
{
    const int partial = (canvasHeight() + lineHeight - 1) / lineHeight;
    return qMin(lineCount(), firstRow + partial - 1);
}

qint32 CoreEditorPrivate::maxFirstRow() const
{
    const qint32 n = lineCount();
    return qMax(1, qMin(n, n - visibleRows() + 1));
}

int CoreEditorPrivate::widestVisibleLine() const
{
    int widest = 0;
    const qint32 last = lastVisibleRow();
    QTextBlock block = blockAtRow(firstRow);
    for (qint32 row = firstRow; row <= last && block.isValid(); ++row, block = block.next())
        widest = qMax(widest, documentPart.lineWidth(row));
    return widest;
}

qreal CoreEditorPrivate::cursorX() const
{
    QTextLayout* tl = laidOut(cursor.block());
    return tl->lineCount() > 0 ? tl->lineAt(0).cursorToX(cursor.positionInBlock()) : 0;
}

void CoreEditorPrivate::ensureCursorVisible()
{
    const qint32 row = cursor.blockNumber() + 1;
    const qint32 rows = qMax(1, visibleRows());
    if (row < firstRow)
        firstRow = row;
    else if (row > firstRow + rows - 1)
        firstRow = row - rows + 1;

    const int width = canvasWidth();
    const int origin = textOrigin();
    if (width <= origin + 2 * Padding)
        return;
    const qreal x = origin + cursorX(); // canvas x before scrolling
    const int right = width - Padding;
    const int lookAround = int(4 * spaceWidth);
    if (x - hOffset < origin)
        hOffset = x <= right - lookAround ? 0 : qMax(0, int(std::floor(x - origin - lookAround)));
    else if (x - hOffset > right)
        hOffset = int(std::ceil(x - right + lookAround));
}

void CoreEditorPrivate::clampOffset()
{
    // With nothing wider than the canvas in view there is nothing to scroll sideways.
    if (hOffset > 0 && widestVisibleLine() <= canvasWidth())
        hOffset = 0;
}

void CoreEditorPrivate::repaint()
{
    if (canvas)
        canvas->update();
}

int CoreEditorPrivate::hitTest(int x, int y) const
{
    const qint32 row = qBound(1, firstRow + floorDiv(y, lineHeight), lineCount());
    const QTextBlock block = blockAtRow(row);
    if (!block.isValid())
        return 0;
    QTextLayout* tl = laidOut(block);
    if (tl->lineCount() == 0)
        return block.position();
    const qreal tx = x - textOrigin() + hOffset;
    return block.position() + tl->lineAt(0).xToCursor(tx, QTextLine::CursorBetweenCharacters);
}

qint32 CoreEditorViewport::horizontalOffset() const { return d.hOffset; }

void CoreEditorViewport::setHorizontalOffset(qint32 offset)
{
    d.hOffset = qMax(0, offset);
    d.repaint();
}

qint32 CoreEditorViewport::firstVisibleRow() const { return d.firstRow; }

void CoreEditorViewport::setFirstVisibleRow(qint32 row)
{
    d.firstRow = qBound(1, row, d.lineCount());
    d.clampOffset();
    d.repaint();
}

qint32 CoreEditorViewport::visibleRowCount() const { return d.visibleRows(); }

qint32 CoreEditorViewport::lastVisibleRow() const { return d.lastVisibleRow(); }

void CoreEditorViewport::recalculate(qint32 mode)
{
    d.firstRow = qBound(1, d.firstRow, d.maxFirstRow());
    d.clampOffset();
    if (mode == 1)
        d.ensureCursorVisible();
    d.repaint();
}

void CoreEditorViewport::setupFont() { d.styleChanged(); }

void CoreEditorViewport::setupMargin() { d.optionsChanged(); }

void CoreEditorViewport::setupOrigin()
{
    d.firstRow = 1;
    d.hOffset = 0;
    d.cursor.setPosition(0);
    d.repaint();
}

qint32 CoreEditorViewport::lineHeight() const { return d.lineHeight; }

qint32 CoreEditorViewport::textLeft() const { return d.textOrigin(); }

} // namespace vorn
