// The elements page: double clicks and preselection. What its lists show for a script, and the
// node chosen at start, is in data/viewer.

#include "support/ViewerHarness.h"

#include <vorn/viewer/frm_DialogVornViewer.h>

#include <QPlainTextEdit>

using namespace vorn;
using namespace viewertest;

namespace {

// ELEMENT looks IDs up upper-cased; the scripts here write them in lower case.
Ref<cls_VornElement> byId(const Ref<cls_VornElements>& list, const QString& id)
{
    for (const Ref<cls_VornElement>& e : list->entries()) {
        if (e->ID() == id)
            return e;
        if (e->elementsIfAny())
            if (auto found = byId(e->elementsIfAny(), id))
                return found;
    }
    return {};
}

} // namespace

// Trees built in code: an ID without type shows upper-cased; a type without definition lists
// every value of the bag with the type of the value.
TEST(ElementPage, ElementsBuiltInCode)
{
    auto bare = cls_VornStructure::create();
    bare->ELEMENTS()->CREATE(QStringLiteral("abc"))->setUID(bare->UIDCREATE());
    auto typed = bare->ELEMENTS()->CREATE();
    typed->setSORT(QStringLiteral("Widget"));
    typed->setUID(bare->UIDCREATE());
    typed->ATTRIBUTES()->setVALUE(QStringLiteral("N"), 1);
    typed->ATTRIBUTES()->setVALUE(QStringLiteral("T"), QStringLiteral("x"));
    Viewer b(bare);
    EXPECT_EQ(b.column("tvw_Elements"), QStringList({ "ABC", "widget (1, \"x\")" }));
    b.click(b.view("tvw_Elements"), b.view("tvw_Elements")->topLevelItem(1));
    EXPECT_EQ(b.column("lst_Attributes", 2), QStringList({ "LONG", "STRING" }));
}

TEST(ElementPage, DoubleClickAndPreselectionChooseTheNode)
{
    const auto s = parse(Houses);
    Viewer v(s);
    QTreeWidget* tree = v.view("tvw_Elements");
    v.click(tree, tree->topLevelItem(0));
    QTreeWidget* children = v.view("lst_Children");
    ASSERT_EQ(children->topLevelItemCount(), 2);
    v.doubleClick(children, children->topLevelItem(1));
    QTreeWidgetItem* hall = tree->topLevelItem(0)->child(1);
    EXPECT_EQ(tree->currentItem(), hall);
    EXPECT_TRUE(hall->isExpanded());
    EXPECT_EQ(v.column("lst_Children"), QStringList({ "" })); // the hall's lamp has no ID
    EXPECT_EQ(v.column("lst_Children", 1), QStringList({ "LAMP" }));
    EXPECT_EQ(v.column("lst_Attributes"), QStringList({ "ID", "PAINT", "SIZE" }));

    // A preselected UID replaces the error selection; one that belongs to no element does not.
    Viewer r1(s, 1, Variant(byId(s->ELEMENTS(), "r1")->UID()));
    ASSERT_TRUE(r1.view("tvw_Elements")->currentItem());
    EXPECT_EQ(r1.view("tvw_Elements")->currentItem()->text(0), "room 'R1' 2, 12");
    EXPECT_FALSE(r1.control<QWidget>("frm_Errors")->isVisible());
    EXPECT_EQ(r1.column("lst_Attributes", 1), QStringList({ "\"r1\"", "2", "12" }));
    Viewer none(s, 1, Variant(9999));
    EXPECT_EQ(none.view("tvw_Elements")->currentItem()->text(0), "lamp \"!ERROR!\"");
}
