// The details of the selected element: its attributes, its children and its errors.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ViewerItems.h"
#include "ctl_Frame.h"

#include <vorn/DataTypes.h>

#include <QPlainTextEdit>
#include <QTreeWidget>

namespace vorn {

using namespace viewer;

namespace {

const QString ErrorValueText = QStringLiteral("\"!ERROR!\"");

} // namespace

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
    const AttributeValues& bag = e->attributeValues();

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
            const QString value = DataTypes::VALUETEXT(bag.VALUE(a->NAME(), QString()), -1);
            QTreeWidgetItem* item = row(m_attributes, { a->NAME(), value, type });
            if (value == ErrorValueText)
                errorStyle(item);
        }
    } else {
        for (qint32 i = 1; i <= bag.COUNT(); ++i) {
            const Variant v = bag.VALUE(i, QString());
            const QString value = DataTypes::VALUETEXT(v, -1);
            QTreeWidgetItem* item = row(
                m_attributes, { bag.NAME(i), value, DataTypes::TYPETEXT(DataTypes::TYPEOFVALUE(v.typeCode())) });
            if (value == ErrorValueText)
                errorStyle(item);
        }
    }

    m_children->clear();
    if (const Ref<cls_VornElements>& children = e->elementsIfAny()) {
        QList<QTreeWidgetItem*> rows;
        for (const Ref<cls_VornElement>& c : children->entries()) {
            if (!c)
                continue;
            auto* item = new QTreeWidgetItem(QStringList{
                c->ID(), c->SORT(), c->ATTRIBUTELIST(QString(), QStringLiteral(", "), QString(), m_structure) });
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

} // namespace vorn
