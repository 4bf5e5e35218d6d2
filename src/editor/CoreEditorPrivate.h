#pragma once
// Inner state of the editing engine, shared by its parts; each group of members below is
// defined in the file it names.

#include <vorn/editor/CoreEditor.h>

#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <vector>

class QPainter;
class QPlainTextDocumentLayout;
class QTextLayout;

namespace vorn {

class VornHighlighter;

class CoreEditorPrivate {
public:
    explicit CoreEditorPrivate(CoreEditor& editor);
    ~CoreEditorPrivate();

    // Parts handed out by the engine.
    CoreEditorDocument documentPart{ *this };
    CoreEditorViewport viewportPart{ *this };
    CoreEditorSelection selectionPart{ *this };
    std::unique_ptr<CoreEditorView> viewPart;
    Ref<CoreEditorStyle> style;
    Ref<CoreEditorOptions> options;

    // Qt's text machinery; the layout belongs to the document, the highlighter outlives it.
    std::unique_ptr<VornHighlighter> highlighterHolder;
    std::unique_ptr<QTextDocument> doc;
    QPlainTextDocumentLayout* layout = nullptr;
    VornHighlighter* highlighter = nullptr;
    std::unique_ptr<QObject> canvasHook;
    QTextCursor cursor;
    QPointer<QWidget> canvas;

    qint32 firstRow = 1;
    qint32 hOffset = 0;
    bool modified = false;
    bool settingText = false;
    // The whole text, kept up to date edit by edit so reading it costs no rebuild.
    mutable QString text;
    mutable bool textValid = true;

    bool caretShown = true;
    bool overwrite = false;
    qreal preferredX = -1; // x kept by vertical moves
    bool selecting = false;
    bool cursorWasVisible = false;

    // Metrics of the current font.
    int lineHeight = 16;
    qreal spaceWidth = 8;
    qreal digitWidth = 8;
    static constexpr int Padding = 4;

    // Following style and options (CoreEditor.cpp).
    void styleChanged();
    void optionsChanged();

    // The text (CoreEditorText.cpp).
    static QString normalise(const QString& text);
    void contentsChanged(int position, int removed, int added);
    QString textOf(int position, int length) const;
    QString currentText() const;
    void replaceText(const QString& normalised);
    qint32 lineCount() const;
    QTextBlock blockAtRow(qint32 row) const;

    // Lines laid out on demand (CoreEditorLineLayout.cpp).
    QTextLayout* laidOut(const QTextBlock& block) const;
    qreal naturalWidth(const QTextBlock& block) const;
    void releaseGlyphs(int keepFrom, int keepTo);
    mutable std::vector<int> cachedRows; // lines whose layouts keep their glyphs
    int knownBlockCount = 1;
    void followLineShift(int position);

    // The visible window (CoreEditorViewport.cpp).
    int marginWidth() const;
    int textOrigin() const;
    int canvasWidth() const;
    int canvasHeight() const;
    qint32 visibleRows() const;
    qint32 lastVisibleRow() const;
    qint32 maxFirstRow() const;
    int widestVisibleLine() const;
    qreal cursorX() const;
    void ensureCursorVisible();
    void clampOffset();
    void repaint();
    int hitTest(int x, int y) const;

    // Cursor moves and the selection (CoreEditorCursor.cpp); `extend` keeps the anchor.
    void moveTo(int position, bool extend);
    void moveVertically(int rows, bool extend);
    void afterMove(bool keepPreferredX = false);
    void afterEdit();
    int wordStart(int position) const;
    int wordEnd(int position) const;
    void selectWordAt(int position);
    void selectAll();

    // Editing keys (CoreEditorEditing.cpp).
    void insertTyped(const QString& text);
    void newLine();
    void tab(bool outdent);
    void backspace(bool word);
    void deleteForward(bool word);
    QString indentUnit() const;

    // The clipboard (CoreEditorClipboard.cpp).
    void copyToClipboard(bool cut);
    void pasteFromClipboard();

    // Drawing (CoreEditorPainting.cpp).
    void paint(QPainter& painter, const QRect& area);
};

} // namespace vorn
