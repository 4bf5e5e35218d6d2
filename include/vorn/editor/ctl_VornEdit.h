#pragma once
// The script editor control: a canvas on which the editing engine draws Vorn Script, two
// scroll bars kept in step with the engine, editing commands and an undo history of whole
// texts. Everything runs on the user-interface thread.

#include <vorn/CoreList.h>
#include <vorn/editor/CoreEditor.h>

#include <QWidget>

#include <functional>

class QScrollBar;
class QTimer;

namespace vorn {

class ctl_VornEdit : public QWidget, public Object {
    Q_OBJECT
    Q_PROPERTY(bool CHANGED READ CHANGED WRITE setCHANGED NOTIFY changedChanged)

public:
    explicit ctl_VornEdit(QWidget* parent = nullptr);
    ~ctl_VornEdit() override;
    QString className() const override { return QStringLiteral("ctl_VornEdit"); }

    // The engine; a new one is made whenever a member finds none.
    const Ref<CoreEditor>& EDIT();
    void setEDIT(Ref<CoreEditor> editor);
    // Path of the last symbol graphic chosen with PASTE.ICON.
    const QString& LAST() const noexcept { return m_last; }
    void setLAST(const QString& path) { m_last = path; }

    // Rebuilds the engine, keeping text, style, options and CHANGED.
    void UPDATE();
    QString CONTENT();
    // Replaces the text and starts the history afresh.
    void setCONTENT(const QString& pNew);
    // Runs an editing command ("EDIT.UNDO", "PASTE.ICON", ...); false for an unknown word.
    // Failures of the clipboard, the dialogs or the engine are passed on.
    bool EXECUTE(const QString& pCmd);
    // The cursor's row and column as the engine counts them (from 1).
    qint32 ROW();
    qint32 COL();
    // Whether there are unsaved changes.
    bool CHANGED() const noexcept { return m_changed; }
    void setCHANGED(bool changed);
    // Loads a text file; false when it does not exist or cannot be read.
    bool LOAD(const QString& pFile);

    // The children, for hosts that style them and for tests.
    QWidget* pic_Edit() const noexcept { return m_pic; }
    QScrollBar* srl_X() const noexcept { return m_srlX; }
    QScrollBar* srl_Y() const noexcept { return m_srlY; }
    QTimer* tmr_Cursor() const noexcept { return m_timer; }

    // The history: texts, newest first; and the text of the last recorded state.
    const CoreList& undoList() const noexcept { return *m_undo; }
    const CoreList& redoList() const noexcept { return *m_redo; }
    const QString& snapshot() const noexcept { return m_snapshot; }
    // Full path of the style file "vorn.stl".
    const QString& stylePath() const noexcept { return m_stylePath; }

    // The synchronisation step: undo recording, then both scroll bars; tells of a new cursor
    // position.
    void synchronise();

Q_SIGNALS:
    // CHANGED turned true (an edit) or false (saved, loaded, set by the host).
    void changedChanged(bool changed);
    // The cursor stands on a new row or column (from 1), as a synchronisation step found it.
    void cursorMoved(qint32 row, qint32 col);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create();
    void arrange();
    void recordUndo();
    void syncScrollBars();
    bool forward(const std::function<void(CoreEditorView&)>& call, bool synchronise = true);
    void scrolledX(int value);
    void scrolledY(int value);
    bool handleCanvasEvent(QEvent* event);
    bool executeEdit(const QString& sub);
    void undo(bool redo);
    bool goToLine();
    void selectAll();

    QWidget* m_pic = nullptr;
    QScrollBar* m_srlX = nullptr;
    QScrollBar* m_srlY = nullptr;
    QTimer* m_timer = nullptr;
    Ref<CoreEditor> m_edit;
    QString m_last;
    QString m_stylePath;
    QString m_snapshot;
    void markChanged(bool changed);

    bool m_changed = false;
    qint32 m_toldRow = 0, m_toldCol = 0;
    bool m_buttonDown = false;
    bool m_arranging = false;
    Ref<CoreList> m_undo;
    Ref<CoreList> m_redo;
};

} // namespace vorn
