#pragma once
// The structure viewer: the element tree, the element definitions and the value lists of a
// parsed structure, each on a page of its own. It only reads the structure.

#include <vorn/Structure.h>

#include <QDialog>
#include <QHash>

#include <vector>

class QCheckBox;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorn {

class ctl_CmdBar;
class ctl_Frame;
class ctl_StepTabs;
class ctl_Title;

class frm_DialogVornViewer : public QDialog {
    Q_OBJECT
public:
    // Start pages; 0 counts as the elements page.
    enum Page { PageElements = 1, PageDefinitions = 2, PageEnumerations = 3 };
    // The role under which tree nodes and list items keep their key ("k" + UID, ...).
    static constexpr int KeyRole = Qt::UserRole;

    explicit frm_DialogVornViewer(QWidget* parent = nullptr);
    ~frm_DialogVornViewer() override;

    // Inputs, handed over before the window loads.
    void setStructure(Ref<cls_VornStructure> structure);
    void setStartPage(qint32 page);
    // A text names an element definition to show; a whole number above 0 is the UID of an
    // element to select; anything else selects nothing.
    void setPreselection(const Variant& preselection);

    // Fills the window from the inputs, once; showing the window loads it when needed.
    void load();
    bool isLoaded() const noexcept { return m_loaded; }

    // A viewer on the structure: modal returns when the window is closed; modeless returns at
    // once and the window deletes itself when closed. Raises Error without a QApplication.
    static void openViewer(const Ref<cls_VornStructure>& structure, bool modal, qint32 startPage,
                           const Variant& preselection);

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and F12 close the window whichever of its controls has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed {
        Ref<cls_VornElement> element;
        Ref<cls_VornElement> parent;
        QTreeWidgetItem* node = nullptr;
    };

    QWidget* buildElementsPage();
    QWidget* buildDefinitionsPage();
    QWidget* buildEnumerationsPage();
    void connectControls();
    void watchKeys();

    void buildTree();
    void showElement(QTreeWidgetItem* node);
    void fillDefinitions();
    void showDefinition(const QString& keyText);
    void fillEnumerations();
    void showMembers();
    void selectErrorNodes();
    void applyPreselection();

    QTreeWidgetItem* nodeForKey(const QString& key) const;
    QTreeWidgetItem* definitionItemFor(const QString& key) const;
    void selectQuietly(QTreeWidget* view, QTreeWidgetItem* item);
    void bringSelectionIntoView();
    void unload();

    Ref<cls_VornStructure> m_structure;
    qint32 m_startPage = PageElements;
    Variant m_preselection;
    bool m_loaded = false;
    int m_quiet = 0;               // selections made by the window itself, not by the user
    QHash<qint32, Placed> m_byUid; // the first element in tree order with each UID
    std::vector<QTreeWidgetItem*> m_errorNodes;

    ctl_Title* m_header = nullptr;
    ctl_StepTabs* m_steps = nullptr;
    ctl_CmdBar* m_buttons = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_attributes = nullptr;
    QTreeWidget* m_children = nullptr;
    ctl_Frame* m_errorFrame = nullptr;
    QPlainTextEdit* m_errors = nullptr;
    QCheckBox* m_showAll = nullptr;
    QTreeWidget* m_definitions = nullptr;
    QTreeWidget* m_definitionChildren = nullptr;
    QTreeWidget* m_definitionAttributes = nullptr;
    QPlainTextEdit* m_definitionInfo = nullptr;
    QTreeWidget* m_enumerations = nullptr;
    QTreeWidget* m_enumItems = nullptr;
};

} // namespace vorn
