// Drawing the visible lines: background, current line, selection, text, cursor and line numbers.

#include "CoreEditorPrivate.h"

#include <QPainter>
#include <QTextLayout>
#include <QWidget>

#include <cmath>

namespace vorn {

void CoreEditorPrivate::paint(QPainter& p, const QRect& area)
{
    const CoreEditorStyle& s = *style;
    const auto& o = options->values();
    const int width = canvasWidth();
    const int height = canvasHeight();
    const int margin = marginWidth();
    const int origin = textOrigin();
    p.fillRect(area, s.color(CoreEditorStyle::Background));
    if (margin > 0)
        p.fillRect(QRect(0, 0, margin, height), s.color(CoreEditorStyle::Margin));

    const bool hasSelection = cursor.hasSelection();
    const int selStart = cursor.selectionStart();
    const int selEnd = cursor.selectionEnd();
    const int cursorBlock = cursor.blockNumber();
    const bool caret = canvas && canvas->hasFocus() && caretShown;
    const QRect textArea(margin, 0, width - margin, height);
    const QFont font = doc->defaultFont();
    p.setFont(font);

    const int rows = (height + lineHeight - 1) / lineHeight;
    QTextBlock block = blockAtRow(firstRow);
    for (int i = 0; i < rows && block.isValid(); ++i, block = block.next()) {
        const int y = i * lineHeight;
        if (y + lineHeight <= area.top() || y > area.bottom())
            continue;
        const bool current = block.blockNumber() == cursorBlock;
        if (o.highlightLine && current && !hasSelection)
            p.fillRect(QRect(margin, y, width - margin, lineHeight), s.color(CoreEditorStyle::CurrentLine));

        QTextLayout* tl = laidOut(block);
        const QPointF at(origin - hOffset, y);
        const int position = block.position();
        const int length = block.length() - 1;
        QList<QTextLayout::FormatRange> selections;
        p.setClipRect(textArea);
        if (hasSelection && selStart <= position + length && selEnd >= position) {
            QTextLayout::FormatRange range;
            range.start = qMax(selStart, position) - position;
            range.length = qMin(selEnd, position + length) - position - range.start;
            range.format.setBackground(s.color(CoreEditorStyle::Selection));
            if (s.color(CoreEditorStyle::SelectedText).isValid())
                range.format.setForeground(s.color(CoreEditorStyle::SelectedText));
            if (range.length > 0)
                selections.append(range);
            if (selEnd > position + length) // the line break is selected too
                p.fillRect(QRectF(at.x() + naturalWidth(block), y, std::ceil(spaceWidth / 2), lineHeight),
                           s.color(CoreEditorStyle::Selection));
        }
        p.setPen(s.color(CoreEditorStyle::Foreground));
        tl->draw(&p, at, selections);
        if (caret && current) {
            QColor c = s.color(CoreEditorStyle::Cursor);
            if (overwrite)
                c.setAlpha(128);
            p.setPen(c);
            tl->drawCursor(&p, at, cursor.positionInBlock(), overwrite ? qMax(2, int(spaceWidth)) : 2);
        }
        p.setClipping(false);
        if (margin > 0) {
            p.setPen(s.color(CoreEditorStyle::LineNumber));
            p.drawText(QRect(0, y, margin - 2 * Padding, lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(block.blockNumber() + 1));
        }
    }
    releaseGlyphs(firstRow - 1, firstRow - 1 + rows);
}

} // namespace vorn
