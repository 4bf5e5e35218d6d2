// The editing engine: document, view, viewport and drawing on Qt's text classes.

#include "CoreEditorPrivate.h"
#include "VornHighlighter.h"
#include "core/Logging.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextLayout>
#include <QWidget>

#include <cmath>

namespace vorn {

namespace {

// Names the engine that draws on a canvas, so an engine that lost the canvas stays quiet.
const char* const OwnerProperty = "vornEditorOwner";

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int floorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Paints the canvas for the engine that owns it; shows or hides the cursor with the focus.
class CanvasHook final : public QObject {
public:
    explicit CanvasHook(CoreEditorPrivate& d) : d(d) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != d.canvas.data())
            return false;
        switch (event->type()) {
        case QEvent::Paint: {
            if (d.canvas->property(OwnerProperty).value<quintptr>() != quintptr(&d))
                return false;
            QPainter painter(d.canvas);
            try {
                d.paint(painter, static_cast<QPaintEvent*>(event)->rect());
            } catch (const std::exception& e) {
                // A failed paint leaves the background; the next one tries again.
                qCWarning(lcEditor) << "painting failed:" << failureText(e);
            }
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            d.caretShown = true;
            d.repaint();
            break;
        default:
            break;
        }
        return false;
    }

private:
    CoreEditorPrivate& d;
};

class DefaultView final : public CoreEditorView {
public:
    explicit DefaultView(CoreEditor& editor) : CoreEditorView(editor) {}
};

// Resets a flag when the scope ends, also by a failure.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

// --- Engine -------------------------------------------------------------------------------

CoreEditorPrivate::CoreEditorPrivate(CoreEditor&)
    : style(CoreEditorStyle::create()), options(CoreEditorOptions::create())
{
    // The highlighter outlives the document, so it never walks the blocks to clear them.
    highlighterHolder = std::make_unique<VornHighlighter>(nullptr);
    highlighter = highlighterHolder.get();
    doc = std::make_unique<QTextDocument>();
    // The control keeps its own history of whole texts.
    doc->setUndoRedoEnabled(false);
    doc->setDocumentMargin(0);
    layout = new QPlainTextDocumentLayout(doc.get());
    doc->setDocumentLayout(layout);
    highlighter->setDocument(doc.get());
    canvasHook = std::make_unique<CanvasHook>(*this);
    cursor = QTextCursor(doc.get());
    QObject::connect(doc.get(), &QTextDocument::contentsChange, canvasHook.get(),
                     [this](int position, int removed, int added) { contentsChanged(position, removed, added); });
    style->m_owner = this;
    options->m_owner = this;
    styleChanged();
    optionsChanged();
}

CoreEditorPrivate::~CoreEditorPrivate()
{
    style->m_owner = nullptr;
    options->m_owner = nullptr;
    if (canvas) {
        canvas->removeEventFilter(canvasHook.get());
        if (canvas->property(OwnerProperty).value<quintptr>() == quintptr(this))
            canvas->setProperty(OwnerProperty, QVariant());
        canvas->update();
    }
    // Blocks first, highlighter last (see the constructor).
    cursor = QTextCursor();
    canvasHook.reset();
    doc.reset();
}

CoreEditor::CoreEditor() : m_d(std::make_unique<CoreEditorPrivate>(*this))
{
    m_d->viewPart = std::make_unique<DefaultView>(*this);
}

CoreEditor::~CoreEditor() = default;

Ref<CoreEditor> CoreEditor::create()
{
    return Ref<CoreEditor>(new CoreEditor);
}

CoreEditorDocument& CoreEditor::document() { return m_d->documentPart; }
CoreEditorView& CoreEditor::view() { return *m_d->viewPart; }
CoreEditorViewport& CoreEditor::viewport() { return m_d->viewportPart; }
CoreEditorStyle& CoreEditor::style() { return *m_d->style; }
CoreEditorOptions& CoreEditor::options() { return *m_d->options; }
QWidget* CoreEditor::canvas() const { return m_d->canvas; }

void CoreEditor::setCanvas(QWidget* canvas)
{
    CoreEditorPrivate& d = *m_d;
    if (d.canvas == canvas)
        return;
    if (d.canvas) {
        d.canvas->removeEventFilter(d.canvasHook.get());
        if (d.canvas->property(OwnerProperty).value<quintptr>() == quintptr(&d))
            d.canvas->setProperty(OwnerProperty, QVariant());
        d.canvas->update();
    }
    d.canvas = canvas;
    if (canvas) {
        canvas->installEventFilter(d.canvasHook.get());
        canvas->setProperty(OwnerProperty, QVariant::fromValue(quintptr(&d)));
        canvas->setAttribute(Qt::WA_OpaquePaintEvent);
        canvas->setCursor(Qt::IBeamCursor);
        canvas->update();
    }
}

void CoreEditorPrivate::styleChanged()
{
    const QFont font = style->font();
    if (!(doc->defaultFont() == font))
        doc->setDefaultFont(font);
    const QFontMetricsF fm(font);
    lineHeight = qMax(1, int(std::ceil(fm.lineSpacing())));
    spaceWidth = qMax<qreal>(1, fm.horizontalAdvance(u' '));
    digitWidth = qMax<qreal>(1, fm.horizontalAdvance(u'9'));
    optionsChanged();
    if (highlighter->differsFrom(*style)) {
        highlighter->setStyle(*style);
        highlighter->rehighlight();
    }
    repaint();
}

void CoreEditorPrivate::optionsChanged()
{
    QTextOption option = doc->defaultTextOption();
    const qreal tabStop = options->values().tabWidth * spaceWidth;
    if (option.wrapMode() != QTextOption::NoWrap || option.tabStopDistance() != tabStop) {
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(tabStop);
        doc->setDefaultTextOption(option);
    }
    repaint();
}

// --- Text ---------------------------------------------------------------------------------

QString CoreEditorPrivate::normalise(const QString& text)
{
    const auto isBreak = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1;
    };
    if (std::none_of(text.begin(), text.end(), isBreak))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        out.append(isBreak(c) ? QChar(u'\n') : c);
    }
    return out;
}

QString CoreEditorPrivate::textOf(int position, int length) const
{
    if (length <= 0)
        return QString();
    QTextCursor c(doc.get());
    c.setPosition(position);
    c.setPosition(position + length, QTextCursor::KeepAnchor);
    QString s = c.selectedText();
    s.replace(QChar::ParagraphSeparator, u'\n');
    return s;
}

QString CoreEditorPrivate::currentText() const
{
    if (!textValid) {
        text = doc->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        textValid = true;
    }
    return text;
}

void CoreEditorPrivate::contentsChanged(int position, int removed, int added)
{
    followLineShift(position);
    if (settingText)
        return;
    modified = true;
    if (!textValid)
        return;
    // Patch the kept text; anything that does not add up is rebuilt on the next read.
    const int length = doc->characterCount() - 1;
    if (position < 0 || removed < 0 || added < 0 || position + removed > text.size() || position + added > length
        || text.size() - removed + added != length) {
        textValid = false;
        text = QString();
        return;
    }
    const QString inserted = textOf(position, added);
    if (text.isDetached()) {
        text.replace(position, removed, inserted);
        return;
    }
    // The kept text is shared with the undo snapshot: build the new one in a single pass
    // instead of copying it whole and then moving its tail.
    QString patched;
    patched.reserve(text.size() - removed + added);
    patched.append(QStringView(text).first(position)).append(inserted).append(QStringView(text).sliced(position + removed));
    text = std::move(patched);
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

void CoreEditorPrivate::replaceText(const QString& normalised)
{
    const QString old = currentText();
    if (old == normalised)
        return;
    // Only the part between the common start and end changes.
    const qsizetype n1 = old.size();
    const qsizetype n2 = normalised.size();
    const qsizetype shorter = qMin(n1, n2);
    const QChar* a = old.constData();
    const QChar* b = normalised.constData();
    qsizetype prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[n1 - 1 - suffix] == b[n2 - 1 - suffix])
        ++suffix;
    const bool wasEmpty = n1 == 0;
    {
        FlagScope scope(settingText);
        QTextCursor c(doc.get());
        c.setPosition(int(prefix));
        c.setPosition(int(n1 - suffix), QTextCursor::KeepAnchor);
        const QString middle = normalised.mid(prefix, n2 - suffix - prefix);
        if (middle.isEmpty())
            c.removeSelectedText();
        else
            c.insertText(middle);
    }
    text = normalised;
    textValid = true;
    // The cursor goes where the text changed; into a fresh document at the start.
    cursor.setPosition(wasEmpty ? 0 : int(n2 - suffix));
    preferredX = -1;
    if (!wasEmpty)
        ensureCursorVisible();
    repaint();
}

// --- Geometry -----------------------------------------------------------------------------

qint32 CoreEditorPrivate::lineCount() const
{
    return qMax(1, doc->blockCount());
}

QTextBlock CoreEditorPrivate::blockAtRow(qint32 row) const
{
    return doc->findBlockByNumber(row - 1);
}

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

int CoreEditorPrivate::marginWidth() const
{
    if (!options->values().lineNumbers)
        return 0;
    int digits = 3;
    for (int n = lineCount(); n >= 1000; n /= 10)
        ++digits;
    return int(std::ceil(digits * digitWidth)) + 3 * Padding;
}

int CoreEditorPrivate::textOrigin() const
{
    return marginWidth() + Padding;
}

int CoreEditorPrivate::canvasWidth() const
{
    return canvas ? canvas->width() : 0;
}

int CoreEditorPrivate::canvasHeight() const
{
    return canvas ? canvas->height() : 0;
}

qint32 CoreEditorPrivate::visibleRows() const
{
    return canvasHeight() / lineHeight;
}

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

// --- Cursor moves -------------------------------------------------------------------------

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

void CoreEditorPrivate::afterEdit()
{
    afterMove(false);
}

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

// --- Editing ------------------------------------------------------------------------------

QString CoreEditorPrivate::indentUnit() const
{
    const auto& o = options->values();
    return o.spacesForTab ? QString(o.tabWidth, u' ') : QStringLiteral("\t");
}

void CoreEditorPrivate::insertTyped(const QString& typed)
{
    if (overwrite && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.insertText(typed);
    afterEdit();
}

void CoreEditorPrivate::newLine()
{
    const auto& o = options->values();
    QString indent;
    const QString line = cursor.block().text();
    const int column = cursor.positionInBlock();
    if (o.autoIndent) {
        int i = 0;
        while (i < column && i < line.size() && isBlank(line[i]))
            ++i;
        indent = line.left(i);
    }
    if (o.indentAfterBegin) {
        const QString before = line.left(column).trimmed();
        if (before.size() >= 5 && before.first(5).compare(u"BEGIN", Qt::CaseInsensitive) == 0
            && (before.size() == 5 || isBlank(before[5])))
            indent += indentUnit();
    }
    cursor.insertText(QStringLiteral("\n") + indent);
    afterEdit();
}

void CoreEditorPrivate::tab(bool outdent)
{
    const int tabWidth = options->values().tabWidth;
    QTextBlock first = doc->findBlock(cursor.selectionStart());
    QTextBlock last = doc->findBlock(cursor.selectionEnd());
    // A selection across a line break works on whole lines; one that ends at the start of a
    // line leaves that line alone.
    const bool lines = cursor.hasSelection() && first != last;
    if (lines && cursor.selectionEnd() == last.position())
        last = last.previous();
    if (!lines && !outdent) {
        if (options->values().spacesForTab) {
            // Up to the next tab stop, counting a tab character as reaching its stop.
            const QString before = cursor.block().text().left(cursor.positionInBlock());
            int column = 0;
            for (QChar c : before)
                column = c == u'\t' ? (column / tabWidth + 1) * tabWidth : column + 1;
            insertTyped(QString(tabWidth - column % tabWidth, u' '));
        } else {
            insertTyped(QStringLiteral("\t"));
        }
        return;
    }
    QTextCursor edit(doc.get());
    edit.beginEditBlock();
    for (QTextBlock b = first;; b = b.next()) {
        if (outdent) {
            const QString text = b.text();
            int n = 0;
            if (text.startsWith(u'\t'))
                n = 1;
            else
                while (n < tabWidth && n < text.size() && text[n] == u' ')
                    ++n;
            if (n > 0) {
                edit.setPosition(b.position());
                edit.setPosition(b.position() + n, QTextCursor::KeepAnchor);
                edit.removeSelectedText();
            }
        } else if (b.length() > 1) {
            edit.setPosition(b.position());
            edit.insertText(indentUnit());
        }
        if (b == last)
            break;
    }
    edit.endEditBlock();
    if (lines) {
        cursor.setPosition(first.position());
        cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    }
    afterEdit();
}

void CoreEditorPrivate::backspace(bool word)
{
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    } else if (word) {
        const int to = cursor.position();
        cursor.setPosition(wordStart(to));
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        const QString line = cursor.block().text();
        const int column = cursor.positionInBlock();
        const int tabWidth = options->values().tabWidth;
        const bool blanksOnly = column > 0 && std::all_of(line.begin(), line.begin() + column, [](QChar c) { return c == u' '; });
        if (options->values().spacesForTab && blanksOnly) {
            // In the indentation, back to the previous tab stop.
            const int to = ((column - 1) / tabWidth) * tabWidth;
            cursor.setPosition(cursor.block().position() + to, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        } else {
            cursor.deletePreviousChar();
        }
    }
    afterEdit();
}

void CoreEditorPrivate::deleteForward(bool word)
{
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    } else if (word) {
        const int from = cursor.position();
        cursor.setPosition(wordEnd(from), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.deleteChar();
    }
    afterEdit();
}

void CoreEditorPrivate::copyToClipboard(bool cut)
{
    if (!cursor.hasSelection())
        return;
    QGuiApplication::clipboard()->setText(viewPart->selectedText());
    if (cut) {
        cursor.removeSelectedText();
        afterEdit();
    }
}

void CoreEditorPrivate::pasteFromClipboard()
{
    const QString text = normalise(QGuiApplication::clipboard()->text());
    if (!text.isEmpty())
        insertTyped(text);
}

void CoreEditorPrivate::selectAll()
{
    cursor.select(QTextCursor::Document);
    repaint();
}

// --- Drawing ------------------------------------------------------------------------------

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

// --- Document part ------------------------------------------------------------------------

QString CoreEditorDocument::text() const
{
    return d.currentText();
}

void CoreEditorDocument::setText(const QString& text)
{
    d.replaceText(CoreEditorPrivate::normalise(text));
}

qint32 CoreEditorDocument::lineCount() const
{
    return d.lineCount();
}

qint32 CoreEditorDocument::lineWidth(qint32 line) const
{
    if (line < 1 || line > d.lineCount())
        return 0;
    const QTextBlock block = d.blockAtRow(line);
    if (!block.isValid())
        return 0;
    return int(std::ceil(d.textOrigin() + d.naturalWidth(block))) + CoreEditorPrivate::Padding;
}

bool CoreEditorDocument::isModified() const
{
    return d.modified;
}

void CoreEditorDocument::setModified(bool modified)
{
    d.modified = modified;
}

void CoreEditorDocument::insert(const CoreEditorPosition& position, const QString& text)
{
    const QString t = CoreEditorPrivate::normalise(text);
    d.cursor.clearSelection();
    if (t.isEmpty())
        return;
    QTextCursor c(d.doc.get());
    c.setPosition(qBound(0, position.offset, d.doc->characterCount() - 1));
    c.insertText(t);
    d.afterEdit();
}

QTextDocument* CoreEditorDocument::textDocument() const
{
    return d.doc.get();
}

// --- Selection part -----------------------------------------------------------------------

namespace {
int length(const CoreEditorPrivate& d)
{
    return d.doc->characterCount() - 1;
}
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

// --- View part ----------------------------------------------------------------------------

CoreEditorView::CoreEditorView(CoreEditor& editor) : d(*editor.m_d)
{
}

CoreEditorView::~CoreEditorView() = default;

CoreEditorPosition CoreEditorView::cursorPosition() const
{
    return { d.cursor.position() };
}

qint32 CoreEditorView::cursorRow() const
{
    return d.cursor.blockNumber() + 1;
}

qint32 CoreEditorView::cursorColumn() const
{
    return d.cursor.positionInBlock() + 1;
}

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

CoreEditorSelection& CoreEditorView::selection()
{
    return d.selectionPart;
}

void CoreEditorView::beginUpdate()
{
    d.caretShown = false;
}

void CoreEditorView::clearSelection()
{
    d.cursor.clearSelection();
    d.repaint();
}

void CoreEditorView::moveToStart()
{
    d.cursor.setPosition(0);
}

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
    case Qt::Key_Backspace:
        d.backspace(ctrl);
        break;
    case Qt::Key_Delete:
        d.deleteForward(ctrl);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        d.newLine();
        break;
    case Qt::Key_Tab:
        if (!ctrl)
            d.tab(extend);
        break;
    case Qt::Key_Backtab:
        d.tab(true);
        break;
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
    default:
        break;
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

void CoreEditorView::keyUp(int, Qt::KeyboardModifiers)
{
}

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

void CoreEditorView::mouseUp(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
{
    d.selecting = false;
}

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

bool CoreEditorView::cursorShown() const
{
    return d.caretShown;
}

bool CoreEditorView::overwriteMode() const
{
    return d.overwrite;
}

// --- Viewport part ------------------------------------------------------------------------

qint32 CoreEditorViewport::horizontalOffset() const
{
    return d.hOffset;
}

void CoreEditorViewport::setHorizontalOffset(qint32 offset)
{
    d.hOffset = qMax(0, offset);
    d.repaint();
}

qint32 CoreEditorViewport::firstVisibleRow() const
{
    return d.firstRow;
}

void CoreEditorViewport::setFirstVisibleRow(qint32 row)
{
    d.firstRow = qBound(1, row, d.lineCount());
    d.clampOffset();
    d.repaint();
}

qint32 CoreEditorViewport::visibleRowCount() const
{
    return d.visibleRows();
}

qint32 CoreEditorViewport::lastVisibleRow() const
{
    return d.lastVisibleRow();
}

void CoreEditorViewport::recalculate(qint32 mode)
{
    d.firstRow = qBound(1, d.firstRow, d.maxFirstRow());
    d.clampOffset();
    if (mode == 1)
        d.ensureCursorVisible();
    d.repaint();
}

void CoreEditorViewport::setupFont()
{
    d.styleChanged();
}

void CoreEditorViewport::setupMargin()
{
    d.optionsChanged();
}

void CoreEditorViewport::setupOrigin()
{
    d.firstRow = 1;
    d.hOffset = 0;
    d.cursor.setPosition(0);
    d.repaint();
}

qint32 CoreEditorViewport::lineHeight() const
{
    return d.lineHeight;
}

qint32 CoreEditorViewport::textLeft() const
{
    return d.textOrigin();
}

} // namespace vorn
