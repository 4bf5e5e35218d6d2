// Cursor moves, word boundaries and the selection, with the selection part.

#include "CoreEditorPrivate.h"
#include "EditorCharacters.h"

#include <QTextLayout>

#include <cmath>

namespace vorn {

void CoreEditorPrivate::moveTo(int position, bool extend)
{
    const int end = doc->characterCount() - 1;
    cursor.setPosition(qBound(0, position, end), extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
}

void CoreEditorPrivate::afterMove(bool keepPreferredX)
{
    if (!keepPreferredX)
        preferredX = -1;
    caretShown = true;
    ensureCursorVisible();
    repaint();
}

void CoreEditorPrivate::afterEdit() { afterMove(false); }

void CoreEditorPrivate::moveVertically(int rows, bool extend)
{
    const qreal x = preferredX >= 0 ? preferredX : cursorX();
    const int target = cursor.blockNumber() + rows;
    if (target < 0) {
        moveTo(0, extend);
    } else if (target >= doc->blockCount()) {
        moveTo(doc->characterCount() - 1, extend);
    } else {
        const QTextBlock block = doc->findBlockByNumber(target);
        QTextLayout* tl = laidOut(block);
        const int column = tl->lineCount() > 0 ? tl->lineAt(0).xToCursor(x) : 0;
        moveTo(block.position() + column, extend);
    }
    preferredX = x;
    afterMove(true);
}

int CoreEditorPrivate::wordStart(int position) const
{
    const QTextBlock block = doc->findBlock(position);
    const int base = block.position();
    int i = position - base;
    if (i == 0)
        return qMax(0, position - 1); // to the end of the line above
    const QString text = block.text();
    while (i > 0 && isBlank(text[i - 1]))
        --i;
    if (i > 0 && isWordChar(text[i - 1])) {
        while (i > 0 && isWordChar(text[i - 1]))
            --i;
    } else {
        while (i > 0 && !isWordChar(text[i - 1]) && !isBlank(text[i - 1]))
            --i;
    }
    return base + i;
}

int CoreEditorPrivate::wordEnd(int position) const
{
    const QTextBlock block = doc->findBlock(position);
    const int base = block.position();
    const QString text = block.text();
    const int n = int(text.size());
    int i = position - base;
    if (i >= n)
        return qMin(doc->characterCount() - 1, position + 1); // to the start of the next line
    if (isWordChar(text[i])) {
        while (i < n && isWordChar(text[i]))
            ++i;
    } else if (!isBlank(text[i])) {
        while (i < n && !isWordChar(text[i]) && !isBlank(text[i]))
            ++i;
    }
    while (i < n && isBlank(text[i]))
        ++i;
    return base + i;
}

void CoreEditorPrivate::selectWordAt(int position)
{
    const QTextBlock block = doc->findBlock(position);
    const QString text = block.text();
    const int n = int(text.size());
    const int base = block.position();
    int i = qBound(0, position - base, n);
    int start = i;
    int end = i;
    const auto expand = [&](auto belongs) {
        while (start > 0 && belongs(text[start - 1]))
            --start;
        while (end < n && belongs(text[end]))
            ++end;
    };
    if ((i < n && isWordChar(text[i])) || (i > 0 && isWordChar(text[i - 1])))
        expand(isWordChar);
    else if ((i < n && isBlank(text[i])) || (i > 0 && isBlank(text[i - 1])))
        expand(isBlank);
    else if (i < n)
        end = i + 1;
    cursor.setPosition(base + start);
    cursor.setPosition(base + end, QTextCursor::KeepAnchor);
}

void CoreEditorPrivate::selectAll()
{
    cursor.select(QTextCursor::Document);
    repaint();
}

namespace {
int length(const CoreEditorPrivate& d) { return d.doc->characterCount() - 1; }
int at(const CoreEditorPrivate& d, double where)
{
    if (!(where >= 0))
        where = 0;
    return int(std::lround(qMin(where, 1.0) * length(d)));
}
} // namespace

double CoreEditorSelection::from() const
{
    const int n = length(d);
    return n > 0 ? double(d.cursor.anchor()) / n : 0;
}

void CoreEditorSelection::setFrom(double where)
{
    const int position = d.cursor.position();
    d.cursor.setPosition(at(d, where));
    d.cursor.setPosition(position, QTextCursor::KeepAnchor);
    d.repaint();
}

double CoreEditorSelection::to() const
{
    const int n = length(d);
    return n > 0 ? double(d.cursor.position()) / n : 0;
}

void CoreEditorSelection::setTo(double where)
{
    d.cursor.setPosition(at(d, where), QTextCursor::KeepAnchor);
    d.repaint();
}

} // namespace vorn
