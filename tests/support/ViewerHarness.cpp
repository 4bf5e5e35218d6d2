#include "support/ViewerHarness.h"

#include <QPlainTextEdit>
#include <QTest>

namespace viewertest {

vorn::Ref<vorn::cls_VornStructure> parse(const QString& script) { return vorn::VORN()->PARSE(script); }

Viewer::Viewer(const vorn::Ref<vorn::cls_VornStructure>& structure, qint32 startPage, const vorn::Variant& preselect)
{
    m_dialog = std::make_unique<vorn::frm_DialogVornViewer>();
    m_dialog->setStructure(structure);
    m_dialog->setStartPage(startPage);
    m_dialog->setPreselection(preselect);
    m_dialog->show();
    QApplication::processEvents();
}

QTreeWidget* Viewer::view(const char* name) const { return control<QTreeWidget>(name); }

QTreeWidgetItem* Viewer::item(const char* list, const QString& text) const
{
    const QTreeWidget* v = view(list);
    for (int i = 0; i < v->topLevelItemCount(); ++i)
        if (v->topLevelItem(i)->text(0) == text)
            return v->topLevelItem(i);
    return nullptr;
}

QString Viewer::errorsText() const { return control<QPlainTextEdit>("txt_Errors")->toPlainText(); }

QStringList Viewer::infoLines() const
{
    const QString text = control<QPlainTextEdit>("txt_DefinitionInfo")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void Viewer::click(QTreeWidget* v, QTreeWidgetItem* it)
{
    v->scrollToItem(it);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualItemRect(it).center());
}

void Viewer::doubleClick(QTreeWidget* v, QTreeWidgetItem* it)
{
    v->scrollToItem(it);
    const QPoint at = v->visualItemRect(it).center();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
}

bool bold(const QTreeWidgetItem* item, int column) { return item->font(column).bold(); }

QColor colour(const QTreeWidgetItem* item, int column)
{
    const QBrush b = item->foreground(column);
    return b.style() == Qt::NoBrush ? QColor() : b.color();
}

QString cells(const QTreeWidgetItem* item)
{
    QStringList out;
    for (int c = 0; c < item->columnCount(); ++c) {
        const QColor shade = colour(item, c);
        out << item->text(c) + (bold(item, c) ? "*" : "")
                + (shade == Red         ? "{red}"
                       : shade == Grey  ? "{grey}"
                       : shade == Black ? "{black}"
                                        : "");
    }
    return out.join(QStringLiteral(" | "));
}

} // namespace viewertest
