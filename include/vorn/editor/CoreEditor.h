#pragma once
// The editing engine behind the script editor control, built on Qt's text classes: a
// QTextDocument holds the text (one block per line), a QSyntaxHighlighter colours Vorn Script,
// and each visible line is drawn through its block's QTextLayout. Only visible lines are laid
// out and drawn, so the cost of a keystroke does not grow with the length of the script.
//
// The engine hands out five parts: document (the text), view (cursor, selection, input),
// viewport (the visible window onto the text), style (font, colours, syntax colouring, loadable
// from the style file "vorn.stl") and options (editing behaviour).

#include <vorn/Persistent.h>

#include <QColor>
#include <QFont>
#include <QStringList>

#include <memory>

class QTextDocument;
class QWidget;

namespace vorn {

class CoreEditor;
class CoreEditorPrivate;

// Editing behaviour; the [options] group of the style file.
class CoreEditorOptions final : public Persistent<CoreEditorOptions> {
public:
    struct Values {
        int tabWidth = 4;             // columns between tab stops (1..16)
        bool spacesForTab = true;     // Tab inserts blanks up to the next stop
        bool autoIndent = true;       // Enter keeps the indentation of the line
        bool indentAfterBegin = true; // ... and adds one level after a BEGIN line
        bool lineNumbers = true;      // line numbers in a margin on the left
        bool highlightLine = true;    // the cursor's line gets its own background
        bool operator==(const Values&) const = default;
    };

    static Ref<CoreEditorOptions> create();
    static QString staticClassName() { return QStringLiteral("CoreEditorOptions"); }

    const Values& values() const noexcept { return m_values; }
    void setValues(const Values& values);

    // The options as "key=value" texts, in the style file's spelling.
    QStringList settings() const;
    // Takes one setting; answers false for an unknown key or a value out of range.
    bool applySetting(const QString& key, const QString& value);

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    friend class CoreEditorPrivate;
    CoreEditorOptions() = default;
    void changed();
    Values m_values;
    CoreEditorPrivate* m_owner = nullptr; // the engine told about changes, if any
};

// Font, colours and syntax colouring; loadable from the style file.
class CoreEditorStyle final : public Persistent<CoreEditorStyle> {
public:
    // What the syntax colouring tells apart.
    enum Category { Comment, Keyword, Type, Attribute, Text, Number, Boolean, Reference, CategoryCount };
    // Colours of the drawing surface.
    enum Role { Background, Foreground, Selection, SelectedText, Cursor, CurrentLine, Margin, LineNumber, RoleCount };

    struct Format {
        QColor color;
        bool bold = false;
        bool italic = false;
        bool operator==(const Format&) const = default;
    };

    static Ref<CoreEditorStyle> create();
    static QString staticClassName() { return QStringLiteral("CoreEditorStyle"); }

    // Reads a style file (INI). pScheme names a scheme inside the file whose groups override the
    // plain ones; empty for none. Unknown keys and bad values are skipped. False when the file
    // cannot be read; the style then stays as it was.
    bool load(const QString& pPath, const QString& pScheme = QString());

    QString fontFamily() const { return m_family; }
    double fontSize() const noexcept { return m_size; }
    void setFont(const QString& family, double pointSize);
    // The font to draw with (a fixed-pitch font when the family is empty or unknown).
    QFont font() const;

    QColor color(Role role) const { return m_colors[role]; }
    void setColor(Role role, const QColor& color);
    Format format(Category category) const { return m_formats[category]; }
    void setFormat(Category category, const Format& format);

    // The options stored with the style.
    CoreEditorOptions& optionSet();
    const Ref<CoreEditorOptions>& optionSetRef();

    // The style as "group/key=value" texts (options not included).
    QStringList settings() const;
    bool applySetting(const QString& groupKey, const QString& value);

    static QString categoryKey(Category category);
    static QString roleKey(Role role);

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    friend class CoreEditorPrivate;
    CoreEditorStyle();
    void changed();
    void resetToDefaults();
    QString m_family;
    double m_size = 10;
    QColor m_colors[RoleCount];
    Format m_formats[CategoryCount];
    Ref<CoreEditorOptions> m_optionSet;
    CoreEditorPrivate* m_owner = nullptr;
};

// A place in the text: the character offset from the start (line ends count one each).
struct CoreEditorPosition {
    qint32 offset = 0;
};

// The text model.
class CoreEditorDocument {
public:
    // The whole text, lines joined by "\n".
    QString text() const;
    // Replaces the whole text. Line ends (CR LF, CR, U+2028, U+2029) become "\n". Only the part
    // that differs is replaced, so cursor and colouring elsewhere survive; the modified flag is
    // left as it was.
    void setText(const QString& text);
    // At least 1: an empty text has one empty line.
    qint32 lineCount() const;
    // Drawn width of a line (from 1), in canvas units, margins included; 0 outside the text.
    qint32 lineWidth(qint32 line) const;
    // Set by input and insertion; stays set until written false.
    bool isModified() const;
    void setModified(bool modified);
    // Inserts text at a position; the view's selection collapses to its cursor first.
    void insert(const CoreEditorPosition& position, const QString& text);

    QTextDocument* textDocument() const;

private:
    friend class CoreEditorPrivate;
    explicit CoreEditorDocument(CoreEditorPrivate& d) : d(d) {}
    CoreEditorPrivate& d;
};

// The selection part of the view: two relative positions, 0 the start of the text and 1 its
// end. Writing a setting moves that end of the selection.
class CoreEditorSelection {
public:
    double from() const;
    void setFrom(double where);
    double to() const;
    void setTo(double where);

private:
    friend class CoreEditorPrivate;
    explicit CoreEditorSelection(CoreEditorPrivate& d) : d(d) {}
    CoreEditorPrivate& d;
};

// Cursor, selection and input. Rows and columns of the cursor count from 1; keys are Qt key
// codes with the keyboard modifiers, characters are Unicode code points.
class CoreEditorView {
public:
    virtual ~CoreEditorView();

    CoreEditorPosition cursorPosition() const;
    qint32 cursorRow() const;
    qint32 cursorColumn() const;
    QString selectedText() const;
    void deleteSelection();
    // Row counted from 0, column from 0; flag 1 extends the selection, 0 moves.
    void setCursor(qint32 row, qint32 column, qint32 flag);
    CoreEditorSelection& selection();

    // The parameterless operations that select-all and go-to-line use.
    void beginUpdate();    // holds back repaints until endUpdate
    void clearSelection(); // collapses the selection to the cursor
    void moveToStart();    // cursor to the start of the text
    void endUpdate();      // repaints

    virtual void doubleClick();
    virtual void keyDown(int key, Qt::KeyboardModifiers shift);
    virtual void keyPress(char32_t character);
    virtual void keyUp(int key, Qt::KeyboardModifiers shift);
    virtual void mouseDown(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void mouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void mouseUp(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    // Toggles the drawn cursor.
    virtual void blink();
    // Around a resize of the canvas: a cursor in view before stays in view after.
    void layoutStarting();
    void layoutFinished();

    // Whether the drawn cursor is in its shown phase; whether typing overwrites.
    bool cursorShown() const;
    bool overwriteMode() const;

protected:
    explicit CoreEditorView(CoreEditor& editor);
    CoreEditorPrivate& d;

private:
    friend class CoreEditorPrivate;
};

// The visible window onto the text.
class CoreEditorViewport {
public:
    qint32 horizontalOffset() const;
    void setHorizontalOffset(qint32 offset);
    // Rows count from 1.
    qint32 firstVisibleRow() const;
    void setFirstVisibleRow(qint32 row);
    // Rows that fit wholly onto the canvas.
    qint32 visibleRowCount() const;
    // The last row with any part on the canvas (not beyond the text).
    qint32 lastVisibleRow() const;
    // Brings the window in line with text and canvas; 1 also scrolls the cursor into view.
    void recalculate(qint32 mode);
    // Setup after the style is loaded: measure the font, size the line-number margin, scroll
    // to the start.
    void setupFont();
    void setupMargin();
    void setupOrigin();

    qint32 lineHeight() const;
    // Canvas x where the text starts (after the line-number margin), before scrolling.
    qint32 textLeft() const;

private:
    friend class CoreEditorPrivate;
    explicit CoreEditorViewport(CoreEditorPrivate& d) : d(d) {}
    CoreEditorPrivate& d;
};

class CoreEditor : public Object {
public:
    static Ref<CoreEditor> create();
    ~CoreEditor() override;
    QString className() const override { return QStringLiteral("CoreEditor"); }

    CoreEditorDocument& document();
    virtual CoreEditorView& view();
    CoreEditorViewport& viewport();
    CoreEditorStyle& style();
    CoreEditorOptions& options();

    // The surface the engine draws on; the engine repaints it by itself. nullptr detaches.
    QWidget* canvas() const;
    void setCanvas(QWidget* canvas);

    CoreEditor(const CoreEditor&) = delete;
    CoreEditor& operator=(const CoreEditor&) = delete;

protected:
    CoreEditor();

private:
    friend class CoreEditorView;
    std::unique_ptr<CoreEditorPrivate> m_d;
};

} // namespace vorn
