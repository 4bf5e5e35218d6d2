// The definitions page: the list of element definitions and the details of the chosen one.

#include <vorn/viewer/frm_DialogVornViewer.h>

#include "ViewerHandlers.h"
#include "ViewerItems.h"
#include "definitions/PlacementRules.h"

#include <vorn/DataTypes.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSet>
#include <QTreeWidget>

namespace vorn {

using namespace viewer;

namespace {

QStringList entries(const Ref<CoreList>& list) { return list ? list->items() : QStringList(); }

} // namespace

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
    const Ref<cls_VornElementDef> d = m_structure->DEFINITIONS()->ITEMPARENT(
        name, parent.isEmpty() ? QStringLiteral("NONE") : parent);

    m_definitionAttributes->clear();
    m_definitionChildren->clear();
    m_definitionInfo->clear();
    // A name the structure does not define shows empty details.
    if (!d)
        return;
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
        QTreeWidgetItem* item = row(m_definitionAttributes,
                                    { a->NAME(), a->SORTTEXT(), required, preset, a->DESCRIPTION() });
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
    for (const PossibleChild& child : possibleChildren(*m_structure->DEFINITIONS(), *d))
        addChild(child.name, child.namedByRule);

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
        lines << QStringLiteral(
                     "Dieses Elementen darf nur unterhalb eines der folgenden Elemente oder deren "
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

} // namespace vorn
