// The editing engine: its parts, the canvas it draws on, and following style and options.

#include "CoreEditorPrivate.h"
#include "VornHighlighter.h"
#include "core/Logging.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QWidget>

#include <cmath>

namespace vorn {

namespace {

// Names the engine that draws on a canvas, so an engine that lost the canvas stays quiet.
const char* const OwnerProperty = "vornEditorOwner";

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
        default: break;
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

} // namespace

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

Ref<CoreEditor> CoreEditor::create() { return Ref<CoreEditor>(new CoreEditor); }

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

} // namespace vorn
