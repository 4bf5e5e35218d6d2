// The value lists page: the structure's value lists and the members of the chosen one.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ViewerHandlers.h"
#include "ViewerItems.h"

#include <vorn/DataTypes.h>

#include <QTreeWidget>

namespace vorn {

using namespace viewer;

void frm_DialogVornViewer::fillEnumerations()
{
    m_enumerations->clear();
    QList<QTreeWidgetItem*> rows;
    for (const Ref<cls_VornEnumeration>& v : m_structure->ENUMERATIONS()->entries()) {
        if (!v)
            continue;
        auto* item = new QTreeWidgetItem(QStringList{ v->ID(), QString::number(v->COUNT()), v->ENUMDESCRIPTION() });
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

} // namespace vorn
