// Rows, colours and keys of the viewer's lists and tree nodes.

#include "ViewerItems.h"

#include <vorn/viewer/frm_DialogVornViewer.h>

#include <QTreeWidget>

namespace vorn::viewer {

void colour(QTreeWidgetItem* item, int column, const QColor& c) { item->setForeground(column, c); }

void embolden(QTreeWidgetItem* item, int column)
{
    QFont f = item->font(column);
    f.setBold(true);
    item->setFont(column, f);
}

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

QTreeWidgetItem* row(QTreeWidget* list, const QStringList& texts, const QString& itemKey)
{
    auto* item = new QTreeWidgetItem(texts);
    if (!itemKey.isNull())
        item->setData(0, frm_DialogVornViewer::KeyRole, itemKey);
    list->addTopLevelItem(item);
    return item;
}

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

} // namespace vorn::viewer
