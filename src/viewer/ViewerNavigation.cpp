// Moves through the viewer: clicks and double clicks, the first error node, the preselection,
// and selections the window makes itself without showing details twice.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ViewerHandlers.h"
#include "ViewerItems.h"
#include "ctl_CmdBar.h"

#include <QCheckBox>
#include <QSet>
#include <QTreeWidget>

#include <cmath>

namespace vorn {

using namespace viewer;

namespace {

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

} // namespace

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

void frm_DialogVornViewer::selectQuietly(QTreeWidget* view, QTreeWidgetItem* item)
{
    const QuietScope quiet(m_quiet);
    view->setCurrentItem(item);
}

} // namespace vorn
