// Lines laid out on demand: a line keeps its shaped glyphs while it is in view and gives them
// back when it leaves it.

#include "CoreEditorPrivate.h"

#include <QPlainTextDocumentLayout>
#include <QTextLayout>

namespace vorn {

QTextLayout* CoreEditorPrivate::laidOut(const QTextBlock& block) const
{
    QTextLayout* tl = block.layout();
    if (tl->lineCount() == 0) {
        // Shaped glyphs are kept while the line is in view, so a repaint need not shape again.
        if (!tl->cacheEnabled()) {
            tl->setCacheEnabled(true);
            cachedRows.push_back(block.blockNumber());
        }
        layout->blockBoundingRect(block); // lays the block out on demand
    }
    return tl;
}

qreal CoreEditorPrivate::naturalWidth(const QTextBlock& block) const
{
    QTextLayout* tl = laidOut(block);
    return tl->lineCount() > 0 ? tl->lineAt(0).naturalTextWidth() : 0;
}

void CoreEditorPrivate::followLineShift(int position)
{
    // Lines added or removed move the rows of the lines below that keep their glyphs.
    const int count = doc->blockCount();
    const int delta = count - knownBlockCount;
    knownBlockCount = count;
    if (delta == 0 || cachedRows.empty())
        return;
    const int changed = doc->findBlock(position).blockNumber();
    std::vector<int> kept;
    for (int row : cachedRows) {
        if (row <= changed)
            kept.push_back(row);
        else if (delta > 0 || row > changed - delta)
            kept.push_back(row + delta);
        // else: the line went with the change
    }
    cachedRows = std::move(kept);
}

void CoreEditorPrivate::releaseGlyphs(int keepFrom, int keepTo)
{
    // Lines out of view give their glyphs back (rows shift with edits, so this is a best
    // effort; a line missed here frees its glyphs when it is laid out again).
    std::vector<int> kept;
    for (int row : cachedRows) {
        if (row >= keepFrom && row < keepTo) {
            kept.push_back(row);
            continue;
        }
        const QTextBlock block = doc->findBlockByNumber(row);
        if (!block.isValid())
            continue;
        QTextLayout* tl = block.layout();
        if (!tl->cacheEnabled())
            continue;
        tl->setCacheEnabled(false);
        tl->beginLayout(); // frees the glyphs and leaves no lines, so the next use lays out anew
        tl->endLayout();
    }
    cachedRows = std::move(kept);
}

} // namespace vorn
