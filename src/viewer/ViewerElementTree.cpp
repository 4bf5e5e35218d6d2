// The element tree: one node per element in tree order, found again by its UID key.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ViewerItems.h"

#include <QTreeWidget>

namespace vorn {

using namespace viewer;

namespace {

// The type and ID part of a node's text.
QString nodeTitle(const QString& sort, const QString& id)
{
    if (sort.isEmpty())
        return id.toUpper();
    if (id.isEmpty())
        return sort.toLower();
    return sort.toLower() + QStringLiteral(" '") + id.toUpper() + QLatin1Char('\'');
}

} // namespace

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
    // ATTRIBUTELIST finds each parent by ELEMENTPARENT, from the tree's index.
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
        if (e->hasAttributes())
            text += QLatin1Char(' ')
                + e->ATTRIBUTELIST(QStringLiteral("("), QStringLiteral(", "), QStringLiteral(")"), m_structure);
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

QTreeWidgetItem* frm_DialogVornViewer::nodeForKey(const QString& k) const
{
    const std::optional<qint32> uid = uidOfKey(k);
    const auto placed = uid ? m_byUid.constFind(*uid) : m_byUid.constEnd();
    return placed != m_byUid.constEnd() ? placed->node : nullptr;
}

} // namespace vorn
