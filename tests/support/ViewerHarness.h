#pragma once
// Opens viewers offscreen and reads what their controls show.

#include "support/Golden.h"

#include <vorn/viewer/frm_DialogVornViewer.h>
#include <vorn/vorn.h>

#include <QApplication>
#include <QTreeWidget>

#include <memory>

namespace viewertest {

vorn::Ref<vorn::cls_VornStructure> parse(const QString& script);

// data/viewer/houses.vorn: a value list, four types (one a clone with a fixed attribute, one
// allowed anywhere) and two houses; the lamp in the second house and the room after it carry errors.
inline const QString Houses = golden::script("viewer", "houses");

class Viewer {
public:
    // Shown at once, as VIEW shows it.
    explicit Viewer(const vorn::Ref<vorn::cls_VornStructure>& structure, qint32 startPage = 1,
                    const vorn::Variant& preselect = QString());

    vorn::frm_DialogVornViewer& dialog() { return *m_dialog; }
    QTreeWidget* view(const char* name) const;
    template <class W>
    W* control(const char* name) const
    {
        return m_dialog->findChild<W*>(QString::fromLatin1(name));
    }

    // The first top-level item whose column 0 text is `text`.
    QTreeWidgetItem* item(const char* list, const QString& text) const;
    // The details text of the element page or of the definition page.
    QString errorsText() const;
    QStringList infoLines() const;

    void click(QTreeWidget* view, QTreeWidgetItem* item);
    void doubleClick(QTreeWidget* view, QTreeWidgetItem* item);

private:
    std::unique_ptr<vorn::frm_DialogVornViewer> m_dialog;
};

inline const QColor Red(255, 0, 0), Grey(128, 128, 128), Black(0, 0, 0);

bool bold(const QTreeWidgetItem* item, int column = 0);
QColor colour(const QTreeWidgetItem* item, int column = 0);
// One row: the cells joined by " | ", a bold cell marked "*", a coloured one "{red}", "{grey}", "{black}".
QString cells(const QTreeWidgetItem* item);

} // namespace viewertest
