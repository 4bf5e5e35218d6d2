#pragma once
// Rows, colours and keys of the viewer's lists and tree nodes.

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class QTreeWidget;
class QTreeWidgetItem;

namespace vorn::viewer {

inline const QColor Grey(128, 128, 128);
inline const QColor Red(255, 0, 0);
inline const QColor Black(0, 0, 0);

void colour(QTreeWidgetItem* item, int column, const QColor& c);
void embolden(QTreeWidgetItem* item, int column);
// Text and every sub-item red and bold.
void errorStyle(QTreeWidgetItem* item);

// The key an item keeps under frm_DialogVornViewer::KeyRole; empty for none.
QString key(const QTreeWidgetItem* item);
// A new top-level row of a list, with its key unless that is null.
QTreeWidgetItem* row(QTreeWidget* list, const QStringList& texts, const QString& itemKey = QString());

// The UID of a key "k" + decimal UID, exactly as the tree writes it.
std::optional<qint32> uidOfKey(const QString& k);

} // namespace vorn::viewer
