// The definitions page: the list, the preselection, a definition's attributes, possible
// children and the composed info text.

#include "Scripts.h"
#include "ViewerHarness.h"

#include <gtest/gtest.h>

#include <QCheckBox>

using namespace vorn;
using namespace viewertest;

namespace {

// A shed may stand below a house or anything cloned from one, a villa is a cloned house.
const QString Sheds = QStringLiteral("BEGIN ELEMENT NAME=\"SHED\"\n PARENT \"HOUSE*\"\nEND\n"
                                     "BEGIN CLONE NAME=\"VILLA\", CLONE=\"HOUSE\"\nEND\n");

const QString ItemsByParent =
    QStringLiteral("BEGIN ELEMENT NAME=\"ITEM\"\n STRING NAME=\"LABEL\"\n PARENT \"HOUSE\"\nEND\n"
                   "BEGIN ELEMENT NAME=\"ITEM\"\n LONG NAME=\"COUNT\"\n PARENT \"ROOM\"\nEND\n");

QStringList boldness(const QTreeWidget* list)
{
    QStringList marks;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        marks.append(bold(list->topLevelItem(i)) ? "bold" : "normal");
    return marks;
}

} // namespace

TEST(DefinitionPage, ListShowsOwnDefinitionsUntilTheBoxIsTicked)
{
    const auto s = parse(Houses + ItemsByParent);
    Viewer v(s, 2);
    EXPECT_EQ(v.column("lst_ElementDefinitions"), QStringList({ "HOUSE", "ROOM", "HALL", "LAMP", "ITEM", "ITEM" }));
    const QTreeWidgetItem* room = v.item("lst_ElementDefinitions", "ROOM");
    EXPECT_EQ(rowTexts(room), QStringList({ "ROOM", "ID, PAINT, SIZE", "" }));
    EXPECT_EQ(room->data(0, frm_DialogVornViewer::KeyRole).toString(), "kROOM:HOUSE////////");
    EXPECT_EQ(colour(room, 1), Grey);
    EXPECT_EQ(colour(v.item("lst_ElementDefinitions", "HOUSE"), 2), Red);

    // Two definitions of one name below different parents each show their own attributes.
    QTreeWidget* list = v.view("lst_ElementDefinitions");
    v.click(list, list->topLevelItem(4));
    EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "LABEL" }));
    v.click(list, list->topLevelItem(5));
    EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "COUNT" }));

    // Ticking the box refills the list with the language's own definitions first; the details stay.
    v.control<QCheckBox>("opt_ShowAllDefs")->click();
    EXPECT_EQ(list->topLevelItemCount(), 19 + 6);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "INCLUDE");
    EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "COUNT" }));
}

TEST(DefinitionPage, PreselectionAndDoubleClickChooseTheDefinition)
{
    const auto s = parse(Houses);
    {
        Viewer v(s, 2, QStringLiteral("element"));
        EXPECT_TRUE(v.control<QCheckBox>("opt_ShowAllDefs")->isChecked());
        QTreeWidget* list = v.view("lst_ElementDefinitions");
        ASSERT_TRUE(list->currentItem());
        EXPECT_EQ(list->currentItem()->text(0), "ELEMENT");
        EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->currentItem())));
        EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "NAME", "DESCRIPTION", "ICON", "GROUP", "COLOR" }));
    }
    {
        // Double-clicking a possible child selects its definition.
        Viewer v(s, 2, QStringLiteral("house"));
        EXPECT_FALSE(v.control<QCheckBox>("opt_ShowAllDefs")->isChecked());
        EXPECT_EQ(v.view("lst_ElementDefinitions")->currentItem()->text(0), "HOUSE");
        v.doubleClick(v.view("lst_DefinitionChildren"), v.item("lst_DefinitionChildren", "ROOM"));
        ASSERT_TRUE(v.view("lst_ElementDefinitions")->currentItem());
        EXPECT_EQ(v.view("lst_ElementDefinitions")->currentItem()->text(0), "ROOM");
        EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "ID", "PAINT", "SIZE" }));
    }
    {
        // A child hidden from the list (internal, box unticked) leads nowhere.
        Viewer e(s, 2, QStringLiteral("ELEMENT"));
        e.control<QCheckBox>("opt_ShowAllDefs")->click();
        ASSERT_EQ(e.view("lst_ElementDefinitions")->topLevelItemCount(), 4);
        e.doubleClick(e.view("lst_DefinitionChildren"), e.item("lst_DefinitionChildren", "PARENT"));
        EXPECT_FALSE(e.view("lst_ElementDefinitions")->currentItem());
        EXPECT_EQ(e.column("lst_DefinitionAttributes"), QStringList({ "NAME", "DESCRIPTION", "ICON", "GROUP", "COLOR" }));
    }
    {
        // A name nobody defines: the box stays ticked, nothing is selected, the details are empty.
        Viewer v(s, 2, QStringLiteral("nothing"));
        EXPECT_TRUE(v.control<QCheckBox>("opt_ShowAllDefs")->isChecked());
        EXPECT_FALSE(v.view("lst_ElementDefinitions")->currentItem());
        EXPECT_TRUE(v.column("lst_DefinitionAttributes").isEmpty());
        EXPECT_TRUE(v.infoLines().isEmpty());
    }
}

TEST(DefinitionPage, RequiredAndDefaultCells)
{
    const auto s = parse(Houses);
    // A fixed attribute that is also required still reads "Fix!".
    s->DEFINITIONS()->Item("HALL")->ATTRIBUTES()->Item("PAINT")->setREQUIRED(true);
    Viewer v(s, 2, QStringLiteral("ROOM"));
    const QTreeWidget* attributes = v.view("lst_DefinitionAttributes");
    ASSERT_EQ(attributes->topLevelItemCount(), 3);
    // The value-list default shows the member's name, other defaults their script text.
    EXPECT_EQ(rowTexts(attributes->topLevelItem(0)), QStringList({ "ID", "STRING", "Ja", "\"\"", "" }));
    EXPECT_EQ(rowTexts(attributes->topLevelItem(1)), QStringList({ "PAINT", "ENUM", "-/-", "BLUE", "" }));
    EXPECT_EQ(rowTexts(attributes->topLevelItem(2)), QStringList({ "SIZE", "LONG", "Ja", "\"\"", "Square metres" }));
    for (const auto& [row, column, expected] : { std::tuple{ 0, 2, Black }, { 1, 1, Grey }, { 1, 2, Grey }, { 1, 3, Grey },
                                                 { 2, 4, Red } })
        EXPECT_EQ(colour(attributes->topLevelItem(row), column), expected) << row << "," << column;

    QTreeWidget* list = v.view("lst_ElementDefinitions");
    v.click(list, v.item("lst_ElementDefinitions", "HALL"));
    const QTreeWidgetItem* paint = attributes->topLevelItem(1);
    EXPECT_EQ(rowTexts(paint), QStringList({ "PAINT", "ENUM", "Fix!", "RED", "" }));
    EXPECT_EQ(colour(paint, 2), Red);
}

TEST(DefinitionPage, PossibleChildrenInThreePasses)
{
    const auto s = parse(Houses + Sheds);
    Viewer v(s, 2, QStringLiteral("HOUSE"));
    // Named as parent (bold), allowed below a house or its clones (bold), allowed anywhere (normal).
    EXPECT_EQ(v.column("lst_DefinitionChildren"), QStringList({ "ROOM", "HALL", "SHED", "LAMP" }));
    EXPECT_EQ(boldness(v.view("lst_DefinitionChildren")), QStringList({ "bold", "bold", "bold", "normal" }));
    EXPECT_EQ(v.view("lst_DefinitionChildren")->topLevelItem(2)->data(0, frm_DialogVornViewer::KeyRole).toString(),
              "kSHED");

    // The villa derives from the house: only the shed accepts clones of a house.
    v.click(v.view("lst_ElementDefinitions"), v.item("lst_ElementDefinitions", "VILLA"));
    EXPECT_EQ(v.column("lst_DefinitionChildren"), QStringList({ "SHED", "LAMP" }));

    // The language's own definitions are matched only among themselves.
    Viewer internal(s, 2, QStringLiteral("ELEMENT"));
    EXPECT_EQ(internal.column("lst_DefinitionChildren"),
              QStringList({ "PARENT", "STRING", "LONG", "DOUBLE", "BOOL", "DATE", "ATOMIC", "ENUM" }));

    // A list of allowed children replaces the passes; an entry is listed once.
    const QStringList allowed{ "LAMP", "ROOM", "LAMP" };
    s->DEFINITIONS()->Item("HOUSE")->CHILDRENALLOWED()->items() = allowed;
    Viewer listed(s, 2, QStringLiteral("HOUSE"));
    EXPECT_EQ(listed.column("lst_DefinitionChildren"), QStringList({ "LAMP", "ROOM" }));
    EXPECT_EQ(boldness(listed.view("lst_DefinitionChildren")), QStringList({ "bold", "bold" }));
}

TEST(DefinitionPage, InfoLinesInOrder)
{
    const auto s = parse(Houses);
    const auto house = s->DEFINITIONS()->Item("HOUSE");
    house->setCHILDRENMIN(2);
    house->setCHILDRENMAX(5);
    house->CHILDRENREQUIRED()->ADD("ROOM");
    house->NEXTALLOWED()->ADD("ROOM");
    house->NEXTALLOWED()->ADD("HALL");
    house->PREVIOUSALLOWED()->ADD("LAMP");
    house->setUNIQUE(true);
    Viewer v(s, 2, QStringLiteral("HOUSE"));
    EXPECT_EQ(v.infoLines(),
              QStringList({ "Beschreibung: A house", "Dieses Element darf maximal 5 Unterlemente haben",
                            "Dieses Element muss mindestens 2 Unterlemente haben",
                            "Dieses Elementen muss auf der Hauptebene definiert werden",
                            "Eines der folgenden Elementen muss auf dieses Element folgen: ROOM, HALL",
                            "Dieses Element darf nur nach folgenden Elementen definiert werden: LAMP",
                            "Es darf maximal ein Element dieses Typs definiert werden" }));

    // Without a minimum the required children are named; parents are listed with their empty slots.
    house->setCHILDRENMIN(0);
    house->setCHILDRENMAX(0);
    house->NEXTALLOWED()->CLEAR();
    house->PREVIOUSALLOWED()->CLEAR();
    house->setUNIQUE(false);
    const auto room = s->DEFINITIONS()->Item("ROOM");
    room->CHILDRENREQUIRED()->ADD("LAMP");
    room->CHILDRENREQUIRED()->ADD("HALL");
    Viewer r(s, 2, QStringLiteral("ROOM"));
    EXPECT_EQ(r.infoLines(),
              QStringList({ "Dieses Element muss mindestens folgende Unterelemente haben: LAMP, HALL",
                            "Dieses Elementen darf nur unterhalb eines der folgenden Elemente vorkommen: HOUSE, , , , , , , , " }));

    // Parents only as clones; an internal definition says so after its description.
    const auto shed = parse(Sheds);
    Viewer sv(shed, 2, QStringLiteral("SHED"));
    EXPECT_EQ(sv.infoLines().last(),
              "Dieses Elementen darf nur unterhalb eines der folgenden Elemente vorkommen: , , , , , , , ");
    shed->DEFINITIONS()->Item("SHED")->PARENTSALLOWED()->CLEAR();
    Viewer sc(shed, 2, QStringLiteral("SHED"));
    EXPECT_EQ(sc.infoLines(), QStringList({ "Dieses Elementen darf nur unterhalb eines der folgenden Elemente oder deren "
                                            "Nachfahren vorkommen: HOUSE" }));
    Viewer in(s, 2, QStringLiteral("INCLUDE"));
    EXPECT_EQ(in.infoLines(), QStringList({ "Beschreibung: Lädt eine andere Vorn-Skript-Datei ein",
                                            "Dieses Element gehört zum internen Sprachumfang von VornScript",
                                            "Dieses Elementen muss auf der Hauptebene definiert werden" }));
}
