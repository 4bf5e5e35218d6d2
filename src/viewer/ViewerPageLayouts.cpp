// The controls and frames of the viewer's three pages: elements, definitions, value lists.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ctl_Frame.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorn {

namespace {

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

// A page of the window: hidden until its step is chosen, the content filling it.
QWidget* makePage(const char* name, QWidget* content)
{
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    page->setVisible(false);
    return page;
}

} // namespace

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

    m_attributes = makeList("lst_Attributes",
                            { QStringLiteral("ID"), QStringLiteral("Inhalt"), QStringLiteral("Datentyp") });
    m_children = makeList("lst_Children",
                          { QStringLiteral("ID"), QStringLiteral("Element-Typ"), QStringLiteral("Attribute") });
    m_errors = makeText("txt_Errors");

    const QString database = QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico");
    const QString properties = QStringLiteral("Ico\\20\\Computer\\Signs\\Properties.ico");
    auto* treeFrame = makeFrame("ctl_Frame1", QStringLiteral("Stuktur der Elemente"),
                                QStringLiteral("Ico\\20\\Computer\\Signs\\OK.ico"), m_tree);
    auto* attributeFrame = makeFrame("ctl_Frame2", QStringLiteral("Attribute des ausgewählten Elements"), properties,
                                     m_attributes);
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

    return makePage("frm_PageElements", split);
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
    auto* listFrame = makeFrame("ctl_Frame5", QStringLiteral("Verfügbare Elemente"), properties, m_definitions,
                                m_showAll);
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

    return makePage("frm_PageDefinition", split);
}

QWidget* frm_DialogVornViewer::buildEnumerationsPage()
{
    m_enumerations = makeList("lst_Enumerations",
                              { QStringLiteral("ID"), QStringLiteral("Mitglieder"), QStringLiteral("Beschreibung") });
    m_enumItems = makeList("lst_EnumItems",
                           { QStringLiteral("ID"), QStringLiteral("Wert"), QStringLiteral("Beschreibung") });
    auto* listFrame = makeFrame("ctl_Frame11", QStringLiteral("Werte-Listen"),
                                QStringLiteral("Ico\\20\\Computer\\Signs\\OK.ico"), m_enumerations);
    auto* memberFrame = makeFrame("ctl_Frame9", QStringLiteral("Mitglieder der Werte-Liste"),
                                  QStringLiteral("Ico\\20\\Computer\\Signs\\Database.ico"), m_enumItems);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(listFrame);
    split->addWidget(memberFrame);
    split->setChildrenCollapsible(false);

    return makePage("frm_PageEnumerations", split);
}

} // namespace vorn
