// The script editor control: children, layout, input forwarding and the synchronisation step.

#include "core/Logging.h"
#include <vorn/CoreServices.h>
#include <vorn/editor/ctl_VornEdit.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

namespace vorn {

namespace {

// Scroll bar properties are 16-bit values; a write outside that range fails and is skipped.
bool fits16(qint64 v) { return v >= -32768 && v <= 32767; }

// Runs one step whose failure must not stop the steps after it.
template <class F>
void attempt(F&& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        qCWarning(lcEditor) << "a step failed:" << failureText(e);
    }
}

void setEnabledIfDiffers(QScrollBar* bar, bool enabled)
{
    if (bar->isEnabled() != enabled)
        bar->setEnabled(enabled);
}

void setMinimum16(QScrollBar* bar, qint64 v)
{
    if (fits16(v) && bar->minimum() != v)
        bar->setMinimum(int(v));
}

void setMaximum16(QScrollBar* bar, qint64 v)
{
    if (fits16(v) && bar->maximum() != v)
        bar->setMaximum(int(v));
}

void setPageStep16(QScrollBar* bar, qint64 v)
{
    if (fits16(v) && v >= 1 && bar->pageStep() != v)
        bar->setPageStep(int(v));
}

// A value outside the bar's range fails as well, instead of being clamped.
void setValue16(QScrollBar* bar, qint64 v)
{
    if (fits16(v) && v >= bar->minimum() && v <= bar->maximum() && bar->value() != v)
        bar->setValue(int(v));
}

// Keys the engine acts on itself; menu shortcuts on the same keys must not take them away.
bool engineKey(const QKeyEvent* k)
{
    const Qt::KeyboardModifiers mods = k->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    switch (k->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete: return mods == Qt::NoModifier || mods == Qt::ControlModifier;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Insert: return mods == Qt::NoModifier;
    default: return mods == Qt::NoModifier && !k->text().isEmpty() && k->text()[0].isPrint();
    }
}

} // namespace

ctl_VornEdit::ctl_VornEdit(QWidget* parent) : QWidget(parent)
{
    m_pic = new QWidget(this);
    m_pic->setObjectName(QStringLiteral("pic_Edit"));
    m_pic->setFocusPolicy(Qt::StrongFocus);
    m_pic->setAttribute(Qt::WA_InputMethodEnabled);
    m_srlX = new QScrollBar(Qt::Horizontal, this);
    m_srlX->setObjectName(QStringLiteral("srl_X"));
    m_srlY = new QScrollBar(Qt::Vertical, this);
    m_srlY->setObjectName(QStringLiteral("srl_Y"));
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_srlX);
    m_srlX->resize(100, extent);
    m_srlY->resize(extent, 100);
    // Clicking a bar must not take the focus from the canvas.
    m_srlX->setFocusPolicy(Qt::NoFocus);
    m_srlY->setFocusPolicy(Qt::NoFocus);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("tmr_Cursor"));
    m_timer->setInterval(500);
    setFocusProxy(m_pic);

    m_pic->installEventFilter(this);
    connect(m_srlX, &QScrollBar::valueChanged, this, [this](int v) { scrolledX(v); });
    connect(m_srlY, &QScrollBar::valueChanged, this, [this](int v) { scrolledY(v); });
    connect(m_timer, &QTimer::timeout, this, [this] { forward([](CoreEditorView& v) { v.blink(); }, false); });
    create();
}

ctl_VornEdit::~ctl_VornEdit()
{
    m_pic->removeEventFilter(this);
    if (m_edit)
        m_edit->setCanvas(nullptr);
    m_edit.reset();
    m_timer->stop();
}

void ctl_VornEdit::create()
{
    m_edit = CoreEditor::create();
    m_edit->setCanvas(m_pic);
    if (m_stylePath.isEmpty())
        m_stylePath = CoreServices::settingsFolder(QStringLiteral("Vorn")) + QStringLiteral("vorn.stl");
    attempt([&] {
        if (CoreServices::instance().fileExists(m_stylePath)) {
            m_edit->style().load(m_stylePath, QString());
            const Ref<CoreEditorStyle> fresh = CoreEditorStyle::create();
            fresh->load(m_stylePath, QString());
            m_edit->style().DATA().COPY(*fresh);
        }
    });
    attempt([&] { m_edit->options().DATA().COPY(m_edit->style().optionSet()); });
    attempt([&] {
        CoreEditorViewport& vp = m_edit->viewport();
        vp.setupFont();
        vp.setupMargin();
        vp.setupOrigin();
    });
    m_undo = CoreList::create();
    m_undo->setITEMKIND(8);
    m_redo = CoreList::create();
    m_redo->setITEMKIND(8);
}

const Ref<CoreEditor>& ctl_VornEdit::EDIT()
{
    if (!m_edit) {
        m_edit = CoreEditor::create();
        m_edit->setCanvas(m_pic);
    }
    return m_edit;
}

void ctl_VornEdit::setEDIT(Ref<CoreEditor> editor)
{
    if (editor == m_edit)
        return;
    if (m_edit && m_edit->canvas() == m_pic)
        m_edit->setCanvas(nullptr);
    m_edit = std::move(editor);
    if (m_edit && !m_edit->canvas())
        m_edit->setCanvas(m_pic);
}

// --- Layout -------------------------------------------------------------------------------

void ctl_VornEdit::resizeEvent(QResizeEvent*) { arrange(); }

void ctl_VornEdit::arrange()
{
    if (m_arranging)
        return;
    m_arranging = true;
    const int w = width();
    const int h = height();
    attempt([&] { EDIT()->view().layoutStarting(); });
    attempt([&] {
        const int hX = m_srlX->height();
        const int wY = m_srlY->width();
        m_srlY->setGeometry(w - wY, 0, wY, qMax(0, h - hX));
        m_srlX->setGeometry(0, h - hX, qMax(0, w - wY), hX);
        m_pic->setGeometry(0, 0, qMax(0, w - wY), qMax(0, h - hX));
    });
    attempt([&] { EDIT()->viewport().recalculate(0); });
    attempt([&] { EDIT()->view().layoutFinished(); });
    m_arranging = false;
    synchronise();
}

// --- Synchronisation ----------------------------------------------------------------------

void ctl_VornEdit::synchronise()
{
    attempt([&] { recordUndo(); });
    attempt([&] { syncScrollBars(); });
    attempt([&] {
        const qint32 row = ROW(), col = COL();
        if (row != m_toldRow || col != m_toldCol) {
            m_toldRow = row;
            m_toldCol = col;
            Q_EMIT cursorMoved(row, col);
        }
    });
}

void ctl_VornEdit::markChanged(bool changed)
{
    if (changed == m_changed)
        return;
    m_changed = changed;
    Q_EMIT changedChanged(changed);
}

void ctl_VornEdit::recordUndo()
{
    CoreEditorDocument& doc = EDIT()->document();
    if (doc.isModified()) {
        doc.setModified(false);
        markChanged(true);
        m_undo->INSERT(m_snapshot, 0);
        m_undo->CUT(10);
        m_redo->CLEAR();
        m_redo->setITEMKIND(8);
        m_snapshot = doc.text();
    } else if (m_snapshot.isEmpty()) {
        m_snapshot = doc.text();
    }
}

void ctl_VornEdit::syncScrollBars()
{
    CoreEditor& e = *EDIT();
    // The bars follow the engine; their own change signals must not feed back.
    attempt([&] {
        const QSignalBlocker block(m_srlY);
        const qint64 n = e.document().lineCount();
        const qint64 v = e.viewport().visibleRowCount();
        if (n - v + 1 <= 1) {
            setEnabledIfDiffers(m_srlY, false);
        } else {
            setEnabledIfDiffers(m_srlY, true);
            setMinimum16(m_srlY, 1);
            setMaximum16(m_srlY, n - v + 1);
            setPageStep16(m_srlY, v);
            setValue16(m_srlY, e.viewport().firstVisibleRow());
        }
    });
    attempt([&] {
        const QSignalBlocker block(m_srlX);
        qint64 widest = 0;
        const qint32 last = e.viewport().lastVisibleRow();
        for (qint32 row = e.viewport().firstVisibleRow(); row <= last; ++row)
            widest = qMax<qint64>(widest, e.document().lineWidth(row));
        const int inner = m_pic->contentsRect().width();
        if (widest <= inner) {
            setEnabledIfDiffers(m_srlX, false);
        } else {
            setEnabledIfDiffers(m_srlX, true);
            setMinimum16(m_srlX, 0);
            setMaximum16(m_srlX, widest);
            setPageStep16(m_srlX, inner);
            setValue16(m_srlX, e.viewport().horizontalOffset());
        }
    });
}

void ctl_VornEdit::scrolledX(int value)
{
    bool failed = false;
    try {
        CoreEditorViewport& vp = EDIT()->viewport();
        if (value != vp.horizontalOffset())
            vp.setHorizontalOffset(value);
    } catch (const std::exception& e) {
        qCWarning(lcEditor) << "scrolling or input failed:" << failureText(e);
        failed = true;
    }
    if (failed)
        UPDATE();
}

void ctl_VornEdit::scrolledY(int value)
{
    bool failed = false;
    try {
        CoreEditorViewport& vp = EDIT()->viewport();
        if (value != vp.firstVisibleRow())
            vp.setFirstVisibleRow(value);
    } catch (const std::exception& e) {
        qCWarning(lcEditor) << "scrolling or input failed:" << failureText(e);
        failed = true;
    }
    if (failed)
        UPDATE();
}

// --- Input --------------------------------------------------------------------------------

bool ctl_VornEdit::forward(const std::function<void(CoreEditorView&)>& call, bool sync)
{
    bool failed = false;
    try {
        call(EDIT()->view());
    } catch (const std::exception& e) {
        qCWarning(lcEditor) << "scrolling or input failed:" << failureText(e);
        failed = true;
    }
    if (failed)
        UPDATE();
    if (sync)
        synchronise();
    return !failed;
}

bool ctl_VornEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pic)
        return QWidget::eventFilter(watched, event);
    try {
        return handleCanvasEvent(event);
    } catch (const std::exception& e) {
        qCWarning(lcEditor) << "an event failed:" << failureText(e);
        return true;
    }
}

bool ctl_VornEdit::handleCanvasEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (engineKey(k)) {
            k->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        const int key = k->key();
        const Qt::KeyboardModifiers mods = k->modifiers();
        forward([&](CoreEditorView& v) { v.keyDown(key, mods); });
        // Keys pressed with Ctrl are commands, not text.
        const bool command = (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
        if (!command)
            for (char32_t code : k->text().toUcs4())
                forward([code](CoreEditorView& v) { v.keyPress(code); });
        return true;
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(event);
        const int key = k->key();
        const Qt::KeyboardModifiers mods = k->modifiers();
        forward([&](CoreEditorView& v) { v.keyUp(key, mods); });
        return true;
    }
    case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(event);
        for (char32_t code : im->commitString().toUcs4())
            forward([code](CoreEditorView& v) { v.keyPress(code); });
        return true;
    }
    case QEvent::MouseButtonDblClick: forward([](CoreEditorView& v) { v.doubleClick(); }); return true;
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPointF p = m->position();
        m_buttonDown = true;
        forward([&](CoreEditorView& v) { v.mouseDown(m->button(), m->modifiers(), qRound(p.x()), qRound(p.y())); });
        return true;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(event);
        // A drag that began outside the canvas is not ours.
        if (m->buttons() != Qt::NoButton && !m_buttonDown)
            return true;
        const QPointF p = m->position();
        forward([&](CoreEditorView& v) { v.mouseMove(m->buttons(), m->modifiers(), qRound(p.x()), qRound(p.y())); });
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (!m_buttonDown)
            return true;
        m_buttonDown = false;
        const QPointF p = m->position();
        forward([&](CoreEditorView& v) { v.mouseUp(m->button(), m->modifiers(), qRound(p.x()), qRound(p.y())); },
                false);
        return true;
    }
    case QEvent::Wheel: {
        // The wheel turns the scroll bars; the step then brings the other bar in line.
        auto* w = static_cast<QWheelEvent*>(event);
        const bool sideways = qAbs(w->angleDelta().x()) > qAbs(w->angleDelta().y());
        QScrollBar* bar = sideways ? m_srlX : m_srlY;
        if (bar->isEnabled())
            QCoreApplication::sendEvent(bar, event);
        synchronise();
        return true;
    }
    case QEvent::FocusIn:
        m_timer->start();
        synchronise();
        return false;
    case QEvent::FocusOut: m_timer->stop(); return false;
    default: return false;
    }
}

// --- Host members -------------------------------------------------------------------------

void ctl_VornEdit::UPDATE()
{
    const Ref<CoreEditor> old = EDIT();
    Ref<CoreEditor> fresh;
    attempt([&] { fresh = CoreEditor::create(); });
    if (!fresh)
        return;
    attempt([&] { fresh->style().DATA().COPY(old->style()); });
    attempt([&] { fresh->options().DATA().COPY(old->options()); });
    attempt([&] { fresh->document().setText(old->document().text()); });
    attempt([&] { old->setCanvas(nullptr); });
    m_edit = fresh;
    attempt([&] { m_edit->setCanvas(m_pic); });
    arrange();
}

QString ctl_VornEdit::CONTENT() { return EDIT()->document().text(); }

qint32 ctl_VornEdit::ROW() { return EDIT()->view().cursorRow(); }

qint32 ctl_VornEdit::COL() { return EDIT()->view().cursorColumn(); }

void ctl_VornEdit::setCHANGED(bool changed)
{
    EDIT()->document().setModified(changed);
    markChanged(changed);
}

bool ctl_VornEdit::LOAD(const QString& pFile)
{
    QString text;
    try {
        text = CoreServices::instance().readTextFile(pFile);
    } catch (const std::exception&) {
        return false; // missing, unreadable or too large: nothing changes
    }
    setCONTENT(text);
    m_snapshot = text;
    UPDATE();
    setCHANGED(false);
    return true;
}

} // namespace vorn
