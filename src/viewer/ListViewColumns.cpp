#include "ListViewColumns.h"

#include <vorn/CoreServices.h>

#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>
#include <QTreeView>

#include <cmath>

namespace vorn {
namespace {

const char* const FollowerName = "vornColumnWidths";

// Lives on the list and re-applies the percentages whenever the inner width changes.
class ColumnFollower final : public QObject {
    Q_OBJECT
public:
    ColumnFollower(QTreeView* list, QList<double> percent) : QObject(list), m_list(list), m_percent(std::move(percent))
    {
        setObjectName(QString::fromLatin1(FollowerName));
        list->viewport()->installEventFilter(this);
        apply();
    }
    const QList<double>& percent() const noexcept { return m_percent; }

    void apply()
    {
        if (!m_list)
            return;
        QHeaderView* header = m_list->header();
        header->setStretchLastSection(false);
        const int inner = m_list->viewport()->width();
        int used = 0;
        for (int c = 0; c < m_percent.size() && c < header->count(); ++c) {
            const int w = std::max(0, int(std::floor(m_percent[c] * inner / 100.0)));
            // Rounding down never makes the columns wider than the list.
            header->resizeSection(c, std::min(w, std::max(0, inner - used)));
            used += header->sectionSize(c);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && m_list && watched == m_list->viewport())
            apply();
        return false;
    }

private:
    QPointer<QTreeView> m_list;
    QList<double> m_percent;
};

} // namespace

QList<double> ListViewColumns::parse(const QStringList& widths)
{
    QList<double> result;
    for (const QString& text : widths) {
        for (const QString& piece : text.split(QLatin1Char(','))) {
            bool isNumber = false;
            const double value = CoreServices::readNumber(piece.trimmed(), &isNumber);
            result.append(isNumber && value > 0 ? value : 0.0);
        }
    }
    return result;
}

void ListViewColumns::setColumnWidths(QTreeView* list, const QStringList& widths)
{
    if (!list)
        return;
    delete list->findChild<ColumnFollower*>(QString::fromLatin1(FollowerName), Qt::FindDirectChildrenOnly);
    new ColumnFollower(list, parse(widths));
}

QList<double> ListViewColumns::percentages(const QTreeView* list)
{
    if (!list)
        return {};
    const auto* follower = list->findChild<const ColumnFollower*>(QString::fromLatin1(FollowerName),
                                                                  Qt::FindDirectChildrenOnly);
    return follower ? follower->percent() : QList<double>();
}

} // namespace vorn

#include "ListViewColumns.moc"
