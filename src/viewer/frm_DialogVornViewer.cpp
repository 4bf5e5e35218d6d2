#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ListViewColumns.h"
#include "core/Logging.h"
#include "ctl_CmdBar.h"
#include "ctl_Frame.h"
#include "ctl_StepTabs.h"
#include "ctl_Title.h"

#include <vorn/DataTypes.h>

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSet>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include "engine/ParentIndexScope.h"

namespace vorn {
namespace {

const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

const QString ErrorValueText = QStringLiteral("\"!ERROR!\"");

// User-interface handlers never let a failure reach the user.
template <class F>
void guarded(F&& f) noexcept
{
    try {
        f();
    } catch (const std::exception& e) {
        qCWarning(lcViewer) << "a handler failed:" << failureText(e);
    }
}

QTreeWidget* makeList(const char* name, const QStringList& headers)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setColumnCount(int(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

ctl_Frame* makeFrame(const char* name, const QString& caption, const QString& icon, QWidget* content,
                     QWidget* second = nullptr)
{
    auto* frame = new ctl_Frame;
    frame->setObjectName(QString::fromLatin1(name));
    frame->setCaption(caption);
    frame->setIcon(icon);
    if (second)
        frame->contentLayout()->addWidget(second);
    frame->contentLayout()->addWidget(content, 1);
    return frame;
}

QPlainTextEdit* makeText(const char* name)
{
    auto* text = new QPlainTextEdit;
    text->setObjectName(QString::fromLatin1(name));
    text->setReadOnly(true);
    return text;
}

void colour(QTreeWidgetItem* item, int column, const QColor& c)
{
    item->setForeground(column, c);
}

void embolden(QTreeWidgetItem* item, int column)
{
    QFont f = item->font(column);
    f.setBold(true);
    item->setFont(column, f);
}

// Text and every sub-item red and bold.
void errorStyle(QTreeWidgetItem* item)
{
    for (int c = 0; c < item->columnCount(); ++c) {
        colour(item, c, Red);
        embolden(item, c);
    }
}

QString key(const QTreeWidgetItem* item)
{
    return item ? item->data(0, frm_DialogVornViewer::KeyRole).toString() : QString();
}

QTreeWidgetItem* row(QTreeWidget* list, const QStringList& texts, const QString& itemKey = QString())
{
    auto* item = new QTreeWidgetItem(texts);
    if (!itemKey.isNull())
        item->setData(0, frm_DialogVornViewer::KeyRole, itemKey);
    list->addTopLevelItem(item);
    return item;
}

// The UID of a key "k" + decimal UID, exactly as the tree writes it.
std::optional<qint32> uidOfKey(const QString& k)
{
    if (!k.startsWith(QLatin1Char('k')))
        return std::nullopt;
    bool ok = false;
    const qint32 uid = k.mid(1).toInt(&ok);
    if (!ok || QStringLiteral("k%1").arg(uid) != k)
        return std::nullopt;
    return uid;
}

// A whole number above 0 as Long or Double, else 0.
qint32 wholeNumber(const Variant& v)
{
    if (v.isLong())
        return std::max(v.longValue(), 0);
    if (v.isDouble()) {
        const double d = v.doubleValue();
        if (std::isfinite(d) && d >= 1 && d <= 2147483647.0 && std::floor(d) == d)
            return qint32(d);
    }
    return 0;
}

QStringList entries(const Ref<CoreList>& list)
{
    return list ? list->items() : QStringList();
}

// The type and ID part of a node's text.
QString nodeTitle(const QString& sort, const QString& id)
{
    if (sort.isEmpty())
        return id.toUpper();
    if (id.isEmpty())
        return sort.toLower();
    return sort.toLower() + QStringLiteral(" '") + id.toUpper() + QLatin1Char('\'');
}

class QuietScope {
public:
    explicit QuietScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~QuietScope() { --m_counter; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    int& m_counter;
};

} // namespace

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

QWidget* frm_DialogVornViewer::buildElementsPage()
{
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("tvw_Elements"));
    m_tree->setColumnCount(1);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Long node texts scroll sideways rather than being cut off.
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);

    m_attributes = makeList("lst_Attributes", { QStringLiteral("ID"), QStringLiteral("Inhalt"), QStringLiteral("Datentyp") });
    m_children = makeList("lst_Children",
                          { QStringLiteral("ID"), QStringLiteral("Element-Typ"), QStringLiteral("Attribute") });
    m_errors = makeText("txt_Errors");

    const QString database = QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico");
    const QString properties = QStringLiteral("Ico\\20\\Computer\\Signs\\Properties.ico");
    auto* treeFrame = makeFrame("ctl_Frame1", QStringLiteral("Stuktur der Elemente"),
                                QStringLiteral("Ico\\20\\Computer\\Signs\\OK.ico"), m_tree);
    auto* attributeFrame =
        makeFrame("ctl_Frame2", QStringLiteral("Attribute des ausgewählten Elements"), properties, m_attributes);
    auto* childFrame = makeFrame("ctl_Frame3", QStringLiteral("Untergeordnete Elemente"), database, m_children);
    m_errorFrame = makeFrame("frm_Errors", QStringLiteral("Fehler dieses Elements"),
                             QStringLiteral("Ico\\20\\Computer\\Signs\\Abort.ico"), m_errors);
    m_errorFrame->setVisible(false);

    auto* details = new QSplitter(Qt::Vertical);
    details->addWidget(attributeFrame);
    details->addWidget(childFrame);
    details->addWidget(m_errorFrame);
    details->setChildrenCollapsible(false);
    details->setStretchFactor(0, 3);
    details->setStretchFactor(1, 3);
    details->setStretchFactor(2, 1);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(treeFrame);
    split->addWidget(details);
    split->setChildrenCollapsible(false);
    split->setSizes({ 500, 560 });

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frm_PageElements"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    page->setVisible(false);
    return page;
}

QWidget* frm_DialogVornViewer::buildDefinitionsPage()
{
    m_showAll = new QCheckBox(QStringLiteral("Auch interne Elemente anzeigen"));
    m_showAll->setObjectName(QStringLiteral("opt_ShowAllDefs"));
    m_showAll->setChecked(false);
    m_definitions = makeList("lst_ElementDefinitions",
                             { QStringLiteral("ID"), QStringLiteral("Attribute"), QStringLiteral("Beschreibung") });
    m_definitionChildren = makeList("lst_DefinitionChildren", { QStringLiteral("ID") });
    m_definitionAttributes = makeList("lst_DefinitionAttributes",
                                      { QStringLiteral("ID"), QStringLiteral("Typ"), QStringLiteral("Erforderlich"),
                                        QStringLiteral("Vorgabe"), QStringLiteral("Beschreibung") });
    m_definitionInfo = makeText("txt_DefinitionInfo");

    const QString properties = QStringLiteral("Ico\\20\\Computer\\Signs\\Properties.ico");
    auto* listFrame = makeFrame("ctl_Frame5", QStringLiteral("Verfügbare Elemente"), properties, m_definitions, m_showAll);
    auto* childFrame = makeFrame("ctl_Frame4", QStringLiteral("Mögliche Unterelemente"),
                                 QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico"), m_definitionChildren);
    auto* attributeFrame = makeFrame("ctl_Frame6", QStringLiteral("Attribute dieser Element-Definition"), properties,
                                     m_definitionAttributes);
    auto* infoFrame = makeFrame("ctl_Frame7", QStringLiteral("Besonderheiten dieser Element-Definition"),
                                QStringLiteral("Ico\\20\\Computer\\Signs\\Information.ico"), m_definitionInfo);

    auto* details = new QSplitter(Qt::Vertical);
    details->addWidget(attributeFrame);
    details->addWidget(childFrame);
    details->addWidget(infoFrame);
    details->setChildrenCollapsible(false);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(listFrame);
    split->addWidget(details);
    split->setChildrenCollapsible(false);
    split->setSizes({ 480, 580 });

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frm_PageDefinition"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    page->setVisible(false);
    return page;
}

QWidget* frm_DialogVornViewer::buildEnumerationsPage()
{
    m_enumerations = makeList("lst_Enumerations",
                              { QStringLiteral("ID"), QStringLiteral("Mitglieder"), QStringLiteral("Beschreibung") });
    m_enumItems = makeList("lst_EnumItems", { QStringLiteral("ID"), QStringLiteral("Wert"), QStringLiteral("Beschreibung") });
    auto* listFrame = makeFrame("ctl_Frame11", QStringLiteral("Werte-Listen"), QStringLiteral("Ico\\20\\Computer\\Signs\\OK.ico"),
                                m_enumerations);
    auto* memberFrame = makeFrame("ctl_Frame9", QStringLiteral("Mitglieder der Werte-Liste"),
                                  QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico"), m_enumItems);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(listFrame);
    split->addWidget(memberFrame);
    split->setChildrenCollapsible(false);

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frm_PageEnumerations"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    page->setVisible(false);
    return page;
}

void frm_DialogVornViewer::connectControls()
{
    connect(m_buttons, &ctl_CmdBar::buttonClicked, this, [this](const QString&) { unload(); });

    // Clicks and keyboard moves by the user show details; the window's own selections do not,
    // nor does the first item a view makes current by itself when it gets the focus.
    const auto onTree = [this](QTreeWidgetItem* item) {
        if (!m_quiet && item)
            guarded([&] { showElement(item); });
    };
    connect(m_tree, &QTreeWidget::itemClicked, this, onTree);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [onTree](QTreeWidgetItem* item, QTreeWidgetItem* before) {
        if (before)
            onTree(item);
    });

    connect(m_children, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) {
        guarded([&] {
            QTreeWidgetItem* node = nodeForKey(key(m_children->currentItem()));
            if (!node)
                return;
            selectQuietly(m_tree, node);
            m_tree->scrollToItem(node);
            showElement(node);
        });
    });

    const auto onDefinition = [this](QTreeWidgetItem* item) {
        if (!m_quiet && item)
            guarded([&] { showDefinition(key(item).mid(1)); });
    };
    connect(m_definitions, &QTreeWidget::itemClicked, this, onDefinition);
    connect(m_definitions, &QTreeWidget::currentItemChanged, this,
            [onDefinition](QTreeWidgetItem* item, QTreeWidgetItem* before) {
                if (before)
                    onDefinition(item);
            });

    connect(m_showAll, &QCheckBox::clicked, this, [this] { guarded([&] { fillDefinitions(); }); });

    connect(m_definitionChildren, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) {
        guarded([&] {
            const QString k = key(m_definitionChildren->currentItem());
            if (k.isEmpty())
                return;
            QTreeWidgetItem* item = definitionItemFor(k);
            if (!item)
                return;
            selectQuietly(m_definitions, item);
            m_definitions->scrollToItem(item);
            showDefinition(k.mid(1));
        });
    });

    const auto onEnumeration = [this](QTreeWidgetItem* item) {
        if (!m_quiet && item)
            guarded([&] { showMembers(); });
    };
    connect(m_enumerations, &QTreeWidget::itemClicked, this, onEnumeration);
    connect(m_enumerations, &QTreeWidget::currentItemChanged, this,
            [onEnumeration](QTreeWidgetItem* item, QTreeWidgetItem* before) {
                if (before)
                    onEnumeration(item);
            });
}

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

void frm_DialogVornViewer::unload()
{
    close();
}

void frm_DialogVornViewer::setStructure(Ref<cls_VornStructure> structure)
{
    m_structure = std::move(structure);
    if (m_structure && !m_structure->SOURCE().isEmpty())
        setWindowTitle(QStringLiteral("Inhalt der Datenstruktur – ") + m_structure->SOURCE());
}

void frm_DialogVornViewer::setStartPage(qint32 page)
{
    m_startPage = page;
}

void frm_DialogVornViewer::setPreselection(const Variant& preselection)
{
    m_preselection = preselection;
}

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
        const QString definitionsText =
            QStringLiteral("Hier sehen Sie, welche Element-Definitionen in dieser Struktur enthalten sind");
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

void frm_DialogVornViewer::buildTree()
{
    // One pass in tree order (an element, its subtree, then its next sibling), on an explicit
    // stack so that deep nesting needs no deep recursion.
    struct Level {
        const std::vector<Ref<cls_VornElement>>* list;
        size_t next;
        QTreeWidgetItem* node;
        Ref<cls_VornElement> element;
    };
    m_tree->clear();
    m_byUid.clear();
    // ATTRIBUTELIST finds each parent in an index built once instead of walking the tree.
    const ParentIndexScope parents(m_structure);
    m_byUid.reserve(m_structure->ELEMENTS()->COUNT(true));
    m_errorNodes.clear();
    QList<QTreeWidgetItem*> top;
    std::vector<Level> stack{ Level{ &m_structure->ELEMENTS()->entries(), 0, nullptr, nullptr } };
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.list->size()) {
            stack.pop_back();
            continue;
        }
        const Ref<cls_VornElement>& e = (*level.list)[level.next++];
        if (!e)
            continue;
        QTreeWidgetItem* parentNode = level.node;
        const Ref<cls_VornElement> parentElement = level.element;

        // ELEMENTPARENT by UID finds the parent of the first element carrying that UID.
        auto placed = m_byUid.find(e->UID());
        auto* node = parentNode ? new QTreeWidgetItem(parentNode) : new QTreeWidgetItem;
        if (placed == m_byUid.end())
            placed = m_byUid.insert(e->UID(), Placed{ e, parentElement, node });
        if (!parentNode)
            top.append(node);

        QString text = nodeTitle(e->SORT(), e->ID());
        const Ref<cls_VornAttributes>& bag = e->attributesIfAny();
        if (bag && bag->COUNT() > 0)
            text += QLatin1Char(' ') + e->ATTRIBUTELIST(QStringLiteral("("), QStringLiteral(", "), QStringLiteral(")"),
                                                         m_structure);
        node->setText(0, text);
        node->setData(0, KeyRole, QStringLiteral("k%1").arg(e->UID()));
        if (e->ERRORS()) {
            errorStyle(node);
            m_errorNodes.push_back(node);
        }
        const Ref<cls_VornElements>& children = e->elementsIfAny();
        if (children && children->COUNT() > 0)
            stack.push_back(Level{ &children->entries(), 0, node, e });
    }
    m_tree->addTopLevelItems(top);
}

void frm_DialogVornViewer::showElement(QTreeWidgetItem* node)
{
    if (!node)
        return;
    node->setExpanded(true);
    const std::optional<qint32> uid = uidOfKey(key(node));
    const auto placed = uid ? m_byUid.constFind(*uid) : m_byUid.constEnd();
    if (placed == m_byUid.constEnd())
        return;
    const Ref<cls_VornElement>& e = placed->element;
    const Ref<cls_VornAttributes>& bag = e->attributesIfAny();

    m_attributes->clear();
    // The parent kept at load is the one ELEMENTPARENT finds by the UID.
    Ref<cls_VornElementDef> definition;
    if (m_structure->DEFINITIONS()->EXISTS(e->SORT()))
        definition = m_structure->DEFINITIONS()->ITEMPARENT(
            e->SORT(), placed->parent ? placed->parent->SORT() : QStringLiteral("NONE"));
    if (definition) {
        for (const Ref<cls_VornAttributeDef>& a : definition->ATTRIBUTES()->entries()) {
            if (!a)
                continue;
            const QString type = DataTypes::TYPETEXT(a->SORT());
            if (a->FIXED()) {
                QTreeWidgetItem* item = row(m_attributes, { a->NAME(), DataTypes::VALUETEXT(a->DEFAULT(), -1), type });
                for (int c = 0; c < 3; ++c)
                    colour(item, c, Grey);
                continue;
            }
            const QString value = DataTypes::VALUETEXT(bag ? bag->VALUE(a->NAME(), QString()) : Variant(QString()), -1);
            QTreeWidgetItem* item = row(m_attributes, { a->NAME(), value, type });
            if (value == ErrorValueText)
                errorStyle(item);
        }
    } else if (bag) {
        for (qint32 i = 1; i <= bag->COUNT(); ++i) {
            const Variant v = bag->VALUE(i, QString());
            const QString value = DataTypes::VALUETEXT(v, -1);
            QTreeWidgetItem* item =
                row(m_attributes, { bag->NAME(i), value, DataTypes::TYPETEXT(DataTypes::TYPEOFVALUE(v.typeCode())) });
            if (value == ErrorValueText)
                errorStyle(item);
        }
    }

    m_children->clear();
    if (const Ref<cls_VornElements>& children = e->elementsIfAny()) {
        const ParentIndexScope parents(m_structure);
        QList<QTreeWidgetItem*> rows;
        for (const Ref<cls_VornElement>& c : children->entries()) {
            if (!c)
                continue;
            auto* item = new QTreeWidgetItem(
                QStringList{ c->ID(), c->SORT(), c->ATTRIBUTELIST(QString(), QStringLiteral(", "), QString(), m_structure) });
            item->setData(0, KeyRole, QStringLiteral("k%1").arg(c->UID()));
            if (c->ERRORS())
                errorStyle(item);
            rows.append(item);
        }
        m_children->addTopLevelItems(rows);
    }

    m_errorFrame->setVisible(e->ERRORS());
    // The text box shows CR LF as one line break.
    m_errors->setPlainText(QString(e->ERRORTEXT()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void frm_DialogVornViewer::fillDefinitions()
{
    m_definitions->clear();
    const bool all = m_showAll->isChecked();
    QSet<QString> keys;
    QList<QTreeWidgetItem*> rows;
    for (const Ref<cls_VornElementDef>& d : m_structure->DEFINITIONS()->entries()) {
        if (!d || (d->INTERNAL() && !all))
            continue;
        guarded([&] {
            const QString k = QStringLiteral("k") + d->NAME() + QLatin1Char(':')
                              + d->PARENTSALLOWED()->JOIN(QString(), QStringLiteral("/"), QString());
            // A key exists once: a second definition with the same name and parents is left out.
            if (keys.contains(k))
                return;
            auto* item = new QTreeWidgetItem(QStringList{ d->NAME(), d->ATTRIBUTES()->LIST(), d->DESCRIPTION() });
            item->setData(0, KeyRole, k);
            colour(item, 1, Grey);
            colour(item, 2, Red);
            keys.insert(k);
            rows.append(item);
        });
    }
    m_definitions->addTopLevelItems(rows);
}

void frm_DialogVornViewer::showDefinition(const QString& keyText)
{
    const QString k = keyText.toUpper();
    QString name = k;
    QString parent;
    const qsizetype colon = k.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        name = k.left(colon);
        parent = k.mid(colon + 1).section(QLatin1Char('/'), 0, 0);
    }
    const Ref<cls_VornElementDef> d =
        m_structure->DEFINITIONS()->ITEMPARENT(name, parent.isEmpty() ? QStringLiteral("NONE") : parent);

    m_definitionAttributes->clear();
    m_definitionChildren->clear();
    m_definitionInfo->clear();
    // A name the structure does not define shows empty details.
    if (!d)
        return;
    const QStringList ancestors = entries(d->ANCESTORS());
    const bool internal = d->INTERNAL();

    for (const Ref<cls_VornAttributeDef>& a : d->ATTRIBUTES()->entries()) {
        if (!a)
            continue;
        QString required = QStringLiteral("-/-");
        QColor requiredColour = Grey;
        if (a->FIXED()) {
            required = QStringLiteral("Fix!");
            requiredColour = Red;
        } else if (a->REQUIRED()) {
            required = QStringLiteral("Ja");
            requiredColour = Black;
        }
        QString preset;
        guarded([&] {
            preset = a->ENUMID().isEmpty() ? DataTypes::VALUETEXT(a->DEFAULT(), a->SORT())
                                           : m_structure->ENUMERATIONS()->DECODE(a->ENUMID(), a->DEFAULT());
        });
        QTreeWidgetItem* item =
            row(m_definitionAttributes, { a->NAME(), a->SORTTEXT(), required, preset, a->DESCRIPTION() });
        colour(item, 1, Grey);
        colour(item, 2, requiredColour);
        colour(item, 3, Grey);
        colour(item, 4, Red);
    }

    QSet<QString> childKeys;
    const auto addChild = [&](const QString& childName, bool bold) {
        guarded([&] {
            const QString ck = QStringLiteral("k") + childName;
            if (childKeys.contains(ck))
                return;
            QTreeWidgetItem* item = row(m_definitionChildren, { childName }, ck);
            if (bold)
                embolden(item, 0);
            childKeys.insert(ck);
        });
    };
    if (d->CHILDRENALLOWED()->COUNT() > 0) {
        for (const QString& entry : entries(d->CHILDRENALLOWED()))
            addChild(entry, true);
    } else {
        std::vector<Ref<cls_VornElementDef>> kin;
        for (const Ref<cls_VornElementDef>& x : m_structure->DEFINITIONS()->entries())
            if (x && x->INTERNAL() == internal)
                kin.push_back(x);
        const QString dName = d->NAME();
        const auto namesD = [&](const Ref<cls_VornElementDef>& x) { return x->PARENTSALLOWED()->EXISTS(dName); };
        // Children allowed below D itself.
        for (const auto& x : kin)
            if (namesD(x))
                addChild(x->NAME(), true);
        // Children allowed below D or below a type D derives from.
        for (const auto& x : kin) {
            if (namesD(x))
                continue;
            for (const QString& e : entries(x->PARENTCLONESALLOWED())) {
                if (e.compare(dName, Qt::CaseInsensitive) == 0 || ancestors.contains(e, Qt::CaseInsensitive)) {
                    addChild(x->NAME(), true);
                    break;
                }
            }
        }
        // Children that may stand anywhere.
        for (const auto& x : kin)
            if (x->PARENTSALLOWED()->COUNT() == 0 && x->PARENTCLONESALLOWED()->COUNT() == 0)
                addChild(x->NAME(), false);
    }

    QStringList lines;
    const QString sep = QStringLiteral(", ");
    const QStringList parents = entries(d->PARENTSALLOWED());
    const QStringList cloneParents = entries(d->PARENTCLONESALLOWED());
    if (!d->DESCRIPTION().isEmpty())
        lines << QStringLiteral("Beschreibung: ") + d->DESCRIPTION();
    if (internal)
        lines << QStringLiteral("Dieses Element gehört zum internen Sprachumfang von VornScript");
    if (d->CHILDRENMAX() > 0)
        lines << QStringLiteral("Dieses Element darf maximal %1 Unterlemente haben").arg(d->CHILDRENMAX());
    if (d->CHILDRENMIN() > 0)
        lines << QStringLiteral("Dieses Element muss mindestens %1 Unterlemente haben").arg(d->CHILDRENMIN());
    else if (d->CHILDRENREQUIRED()->COUNT() > 0)
        lines << QStringLiteral("Dieses Element muss mindestens folgende Unterelemente haben: ")
                     + entries(d->CHILDRENREQUIRED()).join(sep);
    if (!parents.isEmpty() && parents.first() == QLatin1String("NONE"))
        lines << QStringLiteral("Dieses Elementen muss auf der Hauptebene definiert werden");
    else if (!parents.isEmpty())
        lines << QStringLiteral("Dieses Elementen darf nur unterhalb eines der folgenden Elemente vorkommen: ")
                     + parents.join(sep);
    else if (!cloneParents.isEmpty())
        lines << QStringLiteral("Dieses Elementen darf nur unterhalb eines der folgenden Elemente oder deren "
                                "Nachfahren vorkommen: ")
                     + cloneParents.join(sep);
    if (d->NEXTALLOWED()->COUNT() > 0)
        lines << QStringLiteral("Eines der folgenden Elementen muss auf dieses Element folgen: ")
                     + entries(d->NEXTALLOWED()).join(sep);
    if (d->PREVIOUSALLOWED()->COUNT() > 0)
        lines << QStringLiteral("Dieses Element darf nur nach folgenden Elementen definiert werden: ")
                     + entries(d->PREVIOUSALLOWED()).join(sep);
    if (d->UNIQUE())
        lines << QStringLiteral("Es darf maximal ein Element dieses Typs definiert werden");
    // One line break per CR LF of the composed text.
    m_definitionInfo->setPlainText(lines.join(QLatin1Char('\n')));
}

void frm_DialogVornViewer::fillEnumerations()
{
    m_enumerations->clear();
    QList<QTreeWidgetItem*> rows;
    for (const Ref<cls_VornEnumeration>& v : m_structure->ENUMERATIONS()->entries()) {
        if (!v)
            continue;
        auto* item =
            new QTreeWidgetItem(QStringList{ v->ID(), QString::number(v->COUNT()), v->ENUMDESCRIPTION() });
        item->setData(0, KeyRole, v->ID());
        rows.append(item);
    }
    m_enumerations->addTopLevelItems(rows);
}

void frm_DialogVornViewer::showMembers()
{
    m_enumItems->clear();
    QTreeWidgetItem* selected = m_enumerations->currentItem();
    if (!selected)
        return;
    guarded([&] {
        const Ref<cls_VornEnumeration> v = m_structure->ENUMERATIONS()->Item(key(selected));
        if (!v)
            return;
        for (qint32 i = 1; i <= v->COUNT(); ++i)
            row(m_enumItems, { v->NAME(i), DataTypes::VALUETEXT(v->VALUE(i, QString()), -1), v->DESCRIPTION(i) },
                v->NAME(i));
    });
}

void frm_DialogVornViewer::selectErrorNodes()
{
    if (m_errorNodes.empty())
        return;
    // Every error node is brought into view, the last one first; expanding each ancestor once
    // is enough, and the first error node ends up selected and in view.
    QSet<QTreeWidgetItem*> expanded;
    for (auto it = m_errorNodes.rbegin(); it != m_errorNodes.rend(); ++it)
        for (QTreeWidgetItem* p = (*it)->parent(); p && !expanded.contains(p); p = p->parent()) {
            expanded.insert(p);
            p->setExpanded(true);
        }
    QTreeWidgetItem* first = m_errorNodes.front();
    selectQuietly(m_tree, first);
    m_tree->scrollToItem(first);
    showElement(first);
}

void frm_DialogVornViewer::applyPreselection()
{
    if (m_preselection.isText()) {
        const QString text = m_preselection.text();
        if (text.isEmpty())
            return;
        guarded([&] {
            const QString p = QStringLiteral("k") + text.toUpper();
            QTreeWidgetItem* item = definitionItemFor(p);
            if (!item) {
                m_showAll->setChecked(true);
                fillDefinitions();
                item = definitionItemFor(p);
            }
            if (item) {
                selectQuietly(m_definitions, item);
                m_definitions->scrollToItem(item);
            }
            showDefinition(text);
        });
        return;
    }
    const qint32 uid = wholeNumber(m_preselection);
    if (uid <= 0)
        return;
    if (QTreeWidgetItem* node = nodeForKey(QStringLiteral("k%1").arg(uid))) {
        selectQuietly(m_tree, node);
        m_tree->scrollToItem(node);
        showElement(node);
    }
}

QTreeWidgetItem* frm_DialogVornViewer::nodeForKey(const QString& k) const
{
    const std::optional<qint32> uid = uidOfKey(k);
    const auto placed = uid ? m_byUid.constFind(*uid) : m_byUid.constEnd();
    return placed != m_byUid.constEnd() ? placed->node : nullptr;
}

QTreeWidgetItem* frm_DialogVornViewer::definitionItemFor(const QString& k) const
{
    const QString prefix = k + QLatin1Char(':');
    for (int i = 0; i < m_definitions->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_definitions->topLevelItem(i);
        const QString itemKey = key(item);
        if (itemKey == k || itemKey.startsWith(prefix))
            return item;
    }
    return nullptr;
}

void frm_DialogVornViewer::selectQuietly(QTreeWidget* view, QTreeWidgetItem* item)
{
    const QuietScope quiet(m_quiet);
    view->setCurrentItem(item);
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
