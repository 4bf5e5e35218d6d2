// The structure viewer window: its parts, inputs, loading, closing keys and opening a viewer.
// The pages and the moves between them live in the Viewer*.cpp files.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ListViewColumns.h"
#include "ViewerHandlers.h"
#include "ctl_CmdBar.h"
#include "ctl_StepTabs.h"
#include "ctl_Title.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorn {

using namespace viewer;

frm_DialogVornViewer::frm_DialogVornViewer(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_DialogVornViewer"));
    setWindowTitle(QStringLiteral("Inhalt der Datenstruktur"));
    resize(1100, 720);

    m_header = new ctl_Title;
    m_header->setObjectName(QStringLiteral("ctl_CatHeader"));
    m_header->setTitle(QStringLiteral("Inhalt der Datenstruktur"));
    m_header->setText(QStringLiteral("Nachfolgend sehen Sie den Aufbau und die Inhalte dieser Vorn-Datenstruktur"));
    m_header->setIcon(QStringLiteral("Ico\\32\\Computer\\Signs\\Database.ico"));
    m_header->setHelpVisible(true);
    m_header->setCloseVisible(true);
    m_header->setFeedbackVisible(true);

    m_steps = new ctl_StepTabs;
    m_steps->setObjectName(QStringLiteral("tab_Steps"));

    m_buttons = new ctl_CmdBar;
    m_buttons->setObjectName(QStringLiteral("bar_Buttons"));
    m_buttons->showOnly(QStringLiteral("OK"));

    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(10, 4, 10, 0);
    pages->addWidget(buildElementsPage());
    pages->addWidget(buildDefinitionsPage());
    pages->addWidget(buildEnumerationsPage());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_steps);
    layout->addLayout(pages, 1);
    layout->addWidget(m_buttons);

    connectControls();
    watchKeys();
}

frm_DialogVornViewer::~frm_DialogVornViewer() = default;

void frm_DialogVornViewer::watchKeys()
{
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool frm_DialogVornViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Escape || k == Qt::Key_F12) {
            // Claiming the override makes the key arrive as a key press, which closes.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                unload();
            return event->type() == QEvent::KeyPress;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frm_DialogVornViewer::unload() { close(); }

void frm_DialogVornViewer::setStructure(Ref<cls_VornStructure> structure)
{
    m_structure = std::move(structure);
    if (m_structure && !m_structure->SOURCE().isEmpty())
        setWindowTitle(QStringLiteral("Inhalt der Datenstruktur – ") + m_structure->SOURCE());
}

void frm_DialogVornViewer::setStartPage(qint32 page) { m_startPage = page; }

void frm_DialogVornViewer::setPreselection(const Variant& preselection) { m_preselection = preselection; }

void frm_DialogVornViewer::showEvent(QShowEvent* event)
{
    if (!m_loaded)
        load();
    QDialog::showEvent(event);
    bringSelectionIntoView();
    // The lists take their final size once the window is laid out on screen.
    QTimer::singleShot(0, this, [this] { bringSelectionIntoView(); });
}

void frm_DialogVornViewer::bringSelectionIntoView()
{
    guarded([&] {
        for (QTreeWidget* view : { m_tree, m_definitions })
            if (QTreeWidgetItem* item = view->currentItem())
                view->scrollToItem(item);
    });
}

void frm_DialogVornViewer::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (!m_structure)
        m_structure = cls_VornStructure::create();
    const QuietScope quiet(m_quiet);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    guarded([&] {
        const QString blocks = QStringLiteral("Ico\\20\\leisure\\Toys\\Blocks.ico");
        const QString definitionsText = QStringLiteral(
            "Hier sehen Sie, welche Element-Definitionen in dieser Struktur enthalten sind");
        m_steps->addStep(QStringLiteral("ELEMENTS"), QStringLiteral("frm_PageElements"),
                         QStringLiteral("Elemente (%1)").arg(m_structure->ELEMENTS()->COUNT(true)),
                         QStringLiteral("Hier sehen Sie, welche Elemente in dieser Struktur enthalten sind"),
                         QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico"), {}, {}, {}, {}, true, true);
        m_steps->addStep(QStringLiteral("DEFINITIONS"), QStringLiteral("frm_PageDefinition"),
                         QStringLiteral("Definitionen (%1)").arg(m_structure->DEFINITIONS()->COUNT()), definitionsText,
                         blocks, {}, {}, {}, {}, true, true);
        m_steps->addStep(QStringLiteral("ENUMERATIONS"), QStringLiteral("frm_PageEnumerations"),
                         QStringLiteral("Werte-Listen (%1)").arg(m_structure->ENUMERATIONS()->COUNT()), definitionsText,
                         blocks, {}, {}, {}, {}, true, true);
        m_steps->refresh();
        if (m_startPage == 0)
            m_startPage = PageElements;
        m_steps->selectStep(m_startPage);
        // A start page that names no page leaves the first one showing.
        if (m_steps->selectedStep() == 0)
            m_steps->selectStep(PageElements);
    });
    guarded([&] { buildTree(); });
    guarded([&] {
        ListViewColumns::setColumnWidths(m_attributes, { QStringLiteral("22.34, 55.98, 21.67") });
        ListViewColumns::setColumnWidths(m_children, { QStringLiteral("21.67, 25.51, 52.60") });
        ListViewColumns::setColumnWidths(m_definitions, { QStringLiteral("14.25, 47.07, 39.04") });
        ListViewColumns::setColumnWidths(m_definitionAttributes,
                                         { QStringLiteral("15.77, 10.67, 11.59, 10.20, 51.62") });
        ListViewColumns::setColumnWidths(m_definitionChildren, { QStringLiteral("100") });
        ListViewColumns::setColumnWidths(m_enumerations, { QStringLiteral("30.68, 17.11, 51.03") });
        ListViewColumns::setColumnWidths(m_enumItems, { QStringLiteral("27.31, 28.67, 42.44") });
    });
    guarded([&] { fillDefinitions(); });
    guarded([&] { fillEnumerations(); });
    guarded([&] { selectErrorNodes(); });
    guarded([&] { applyPreselection(); });

    QApplication::restoreOverrideCursor();
    watchKeys(); // the step tabs were made just now
}

void frm_DialogVornViewer::openViewer(const Ref<cls_VornStructure>& structure, bool modal, qint32 startPage,
                                      const Variant& preselection)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw Error(QStringLiteral("VIEW"), QStringLiteral("The structure viewer needs a QApplication"));
    if (modal) {
        frm_DialogVornViewer dialog(QApplication::activeWindow());
        dialog.setStructure(structure);
        dialog.setStartPage(startPage);
        dialog.setPreselection(preselection);
        dialog.exec();
        return;
    }
    auto* dialog = new frm_DialogVornViewer;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setStructure(structure);
    dialog->setStartPage(startPage);
    dialog->setPreselection(preselection);
    dialog->show();
}

} // namespace vorn
