// What the viewer shows for the scripts in data/viewer, compared with golden files (see
// support/Golden.h; regenerate with VORN_UPDATE_GOLDEN=1): the node chosen at start, every node
// of the element tree and, clicked, its attributes, children and errors; every definition with its attributes, possible
// children and info; every value list with its members. A row is written as support's cells().
#include "support/ViewerHarness.h"

#include "viewer/ctl_StepTabs.h"

#include <QTextStream>

using namespace viewertest;

namespace {

void rows(QTextStream& out, const Viewer& v, const char* list, const QString& indent)
{
    const QTreeWidget* view = v.view(list);
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        out << indent << list << ": " << cells(view->topLevelItem(i)) << '\n';
}

void elements(QTextStream& out, Viewer& v, QTreeWidgetItem* item, const QString& indent)
{
    out << indent << cells(item) << '\n';
    v.click(v.view("tvw_Elements"), item);
    rows(out, v, "lst_Attributes", indent + "  ");
    rows(out, v, "lst_Children", indent + "  ");
    if (v.control<QWidget>("frm_Errors")->isVisible())
        for (const QString& line : v.errorsText().split('\n'))
            out << indent << "  error: " << line << '\n';
    for (int i = 0; i < item->childCount(); ++i)
        elements(out, v, item->child(i), indent + "    ");
}

class ViewerGolden : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(ViewerGolden, MatchesExpected)
{
    const auto s = parse(golden::script("viewer", GetParam()));
    QString text;
    QTextStream out(&text);
    {
        Viewer v(s, 1);
        const auto* steps = v.control<vorn::ctl_StepTabs>("tab_Steps");
        for (int i = 1; i <= steps->stepCount(); ++i)
            out << "step: " << steps->step(i).caption << '\n';
        // The node chosen at start, whether it is in view, its parents open, its errors shown.
        const QTreeWidget* tree = v.view("tvw_Elements");
        const QTreeWidgetItem* first = tree->currentItem();
        out << "selected at start: " << (first ? first->text(0) : QStringLiteral("nothing"));
        if (first && tree->viewport()->rect().contains(tree->visualItemRect(first)))
            out << ", in view";
        for (const QTreeWidgetItem* p = first ? first->parent() : nullptr; p; p = p->parent())
            out << (p->isExpanded() ? ", below open " : ", below closed ") << p->text(0);
        out << (v.control<QWidget>("frm_Errors")->isVisible() ? ", errors shown\n" : "\n");
        for (int i = 0; i < v.view("tvw_Elements")->topLevelItemCount(); ++i)
            elements(out, v, v.view("tvw_Elements")->topLevelItem(i), QString());
    }
    {
        Viewer v(s, 2);
        QTreeWidget* list = v.view("lst_ElementDefinitions");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            out << "definition: " << cells(list->topLevelItem(i)) << '\n';
            v.click(list, list->topLevelItem(i));
            rows(out, v, "lst_DefinitionAttributes", "  ");
            rows(out, v, "lst_DefinitionChildren", "  ");
            for (const QString& line : v.infoLines())
                out << "  info: " << line << '\n';
        }
    }
    {
        Viewer v(s, 3);
        QTreeWidget* lists = v.view("lst_Enumerations");
        for (int i = 0; i < lists->topLevelItemCount(); ++i) {
            out << "value list: " << cells(lists->topLevelItem(i)) << '\n';
            v.click(lists, lists->topLevelItem(i));
            rows(out, v, "lst_EnumItems", "  ");
        }
    }
    out.flush();
    golden::expectMatches("viewer", GetParam(), text);
}
INSTANTIATE_TEST_SUITE_P(Golden, ViewerGolden, ::testing::ValuesIn(golden::cases("viewer")), golden::testName);
