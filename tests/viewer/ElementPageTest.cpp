// The elements page: the tree, the selected element's attributes, children and errors.

#include "Scripts.h"
#include "ViewerHarness.h"

#include <vorn/viewer/frm_DialogVornViewer.h>

#include <gtest/gtest.h>

#include <QPlainTextEdit>

using namespace vorn;
using namespace viewertest;

namespace {

// Two definitions named ITEM: the one below a house shows LABEL, the one below a room COUNT.
const QString Items = QStringLiteral(
    "BEGIN ELEMENT NAME=\"ITEM\"\n STRING NAME=\"LABEL\"\n PARENT \"HOUSE\"\nEND\n"
    "BEGIN ELEMENT NAME=\"ITEM\"\n LONG NAME=\"COUNT\"\n BOOL NAME=\"OK\", REQUIRED=no\n PARENT \"ROOM\"\nEND\n"
    "BEGIN HOUSE \"h9\"\n ITEM LABEL=\"a\"\n BEGIN ROOM \"r9\", SIZE=1\n  ITEM COUNT=3\n END\nEND\n"
    "GHOST A=1, B=\"x\"\n");

QString uidKey(const Ref<cls_VornElement>& e)
{
    return e ? QStringLiteral("k%1").arg(e->UID()) : QString();
}

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

TEST(ElementPage, NodeTextsAndNesting)
{
    const auto s = parse(Houses + Items);
    Viewer v(s);
    QTreeWidget* tree = v.view("tvw_Elements");

    // Defined types: the values in definition order, without ID and brackets; an undefined type
    // falls back to every value in brackets.
    EXPECT_EQ(v.column("tvw_Elements"), QStringList({ "house 'H1' \"Villa\"", "house 'H2' \"\"", "house 'H9' \"\"", "ghost (1, \"x\")" }));

    QTreeWidgetItem* h1 = tree->topLevelItem(0);
    ASSERT_EQ(h1->childCount(), 2);
    EXPECT_EQ(h1->child(0)->text(0), "room 'R1' 2, 12");
    EXPECT_EQ(h1->child(1)->text(0), "hall 'R2' 20");
    ASSERT_EQ(h1->child(1)->childCount(), 1);
    EXPECT_EQ(h1->child(1)->child(0)->text(0), "lamp 60"); // no ID: the type alone
    EXPECT_EQ(h1->data(0, frm_DialogVornViewer::KeyRole).toString(), uidKey(byId(s->ELEMENTS(), "h1")));

    // The definition of ITEM follows the parent: LABEL below the house, COUNT and OK below the room.
    QTreeWidgetItem* h9 = tree->topLevelItem(2);
    ASSERT_EQ(h9->childCount(), 2);
    EXPECT_EQ(h9->child(0)->text(0), "item \"a\"");
    EXPECT_EQ(h9->child(1)->child(0)->text(0), "item 3, \"\"");

    // Built in code: an ID without type shows upper-cased; a type without definition lists
    // every value of the bag with the type of the value.
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
    const QTreeWidget* attributes = b.view("lst_Attributes");
    ASSERT_EQ(attributes->topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(attributes->topLevelItem(0)), QStringList({ "N", "1", "LONG" }));
    EXPECT_EQ(rowTexts(attributes->topLevelItem(1)), QStringList({ "T", "\"x\"", "STRING" }));
}

TEST(ElementPage, FirstErrorNodeIsSelectedAndInViewAtLoad)
{
    const auto s = parse(Houses);
    Viewer v(s);
    QTreeWidget* tree = v.view("tvw_Elements");

    // The lamp below h2/r3 is the first error in tree order; r4 after it is not chosen.
    QTreeWidgetItem* lamp = tree->topLevelItem(1)->child(0)->child(0);
    QTreeWidgetItem* r4 = tree->topLevelItem(1)->child(1);
    ASSERT_EQ(lamp->text(0), "lamp \"!ERROR!\"");
    EXPECT_EQ(tree->currentItem(), lamp);
    EXPECT_TRUE(lamp->isSelected());
    EXPECT_TRUE(lamp->parent()->isExpanded());
    EXPECT_TRUE(lamp->parent()->parent()->isExpanded());
    EXPECT_TRUE(tree->viewport()->rect().contains(tree->visualItemRect(lamp)));

    EXPECT_TRUE(errorStyled(lamp));
    EXPECT_TRUE(errorStyled(r4));
    EXPECT_FALSE(bold(tree->topLevelItem(0)));

    EXPECT_TRUE(v.control<QWidget>("frm_Errors")->isVisible());
    EXPECT_EQ(v.errorsText(), s->ELEMENT(lamp->data(0, frm_DialogVornViewer::KeyRole).toString().mid(1).toInt())->ERRORTEXT());
    const QTreeWidget* attributes = v.view("lst_Attributes");
    ASSERT_EQ(attributes->topLevelItemCount(), 1);
    EXPECT_EQ(rowTexts(attributes->topLevelItem(0)), QStringList({ "WATT", "\"!ERROR!\"", "LONG" }));
    EXPECT_TRUE(errorStyled(attributes->topLevelItem(0)));
}

TEST(ElementPage, ClickShowsAttributesChildrenAndHidesTheErrorFrame)
{
    const auto s = parse(Houses);
    Viewer v(s);
    QTreeWidget* tree = v.view("tvw_Elements");

    // A clone with a fixed attribute: the fixed row shows its value in grey.
    QTreeWidgetItem* hall = tree->topLevelItem(0)->child(1);
    v.click(tree, hall);
    const QTreeWidget* attributes = v.view("lst_Attributes");
    ASSERT_EQ(attributes->topLevelItemCount(), 3);
    EXPECT_EQ(rowTexts(attributes->topLevelItem(0)), QStringList({ "ID", "\"r2\"", "STRING" }));
    EXPECT_EQ(rowTexts(attributes->topLevelItem(1)), QStringList({ "PAINT", "1", "ENUM" }));
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(colour(attributes->topLevelItem(1), c), Grey);
    EXPECT_EQ(rowTexts(attributes->topLevelItem(2)), QStringList({ "SIZE", "20", "LONG" }));
    EXPECT_FALSE(v.control<QWidget>("frm_Errors")->isVisible());
    EXPECT_TRUE(v.errorsText().isEmpty());
    EXPECT_TRUE(hall->isExpanded());

    // Children: ID, type and the attribute list without brackets; the faulty child in error style.
    v.click(tree, tree->topLevelItem(1));
    const QTreeWidget* children = v.view("lst_Children");
    ASSERT_EQ(children->topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(children->topLevelItem(0)), QStringList({ "r3", "ROOM", "2, 4" }));
    EXPECT_EQ(rowTexts(children->topLevelItem(1)), QStringList({ "r4", "ROOM", "2, \"!ERROR!\"" }));
    EXPECT_FALSE(bold(children->topLevelItem(0)));
    EXPECT_TRUE(errorStyled(children->topLevelItem(1)));
    EXPECT_EQ(children->topLevelItem(1)->data(0, frm_DialogVornViewer::KeyRole).toString(), uidKey(byId(s->ELEMENTS(), "r4")));

    // An undefined type's children row lists every value, without brackets here.
    const auto ghosts = parse(QStringLiteral("BEGIN GHOST\n SPOOK A=1\nEND\n"));
    Viewer g(ghosts);
    g.click(g.view("tvw_Elements"), g.view("tvw_Elements")->topLevelItem(0));
    EXPECT_EQ(g.column("lst_Children", 2), QStringList({ "1" }));
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
