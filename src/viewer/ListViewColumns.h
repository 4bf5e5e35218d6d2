#pragma once
// List-view column service: column widths in percent of the list's inner width.

#include <QList>
#include <QStringList>

class QTreeView;

namespace vorn {

class ListViewColumns {
public:
    // Sizes the columns of the list by the percentages in the width texts ("22.34, 55.98, 21.67",
    // numbers separated by commas; several texts are read one after another). The widths follow
    // the list when its inner width changes. Pieces that are not numbers count as 0.
    static void setColumnWidths(QTreeView* list, const QStringList& widths);
    // The percentages last set on the list; empty when none were set.
    static QList<double> percentages(const QTreeView* list);
    static QList<double> parse(const QStringList& widths);
};

} // namespace vorn
