// The definitions page: the box for the language's own definitions, preselection, double clicks,
// and what only code can set. What it shows for a script is in data/viewer.

#include "support/ViewerHarness.h"

#include <QCheckBox>

using namespace vorn;
using namespace viewertest;

namespace {

// The houses, a shed that may stand below a house or anything cloned from one, a villa cloned from a house.
const QString Sheds = golden::script("viewer", "sheds");

QStringList boldness(const QTreeWidget* list)
{
    QStringList marks;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        marks.append(bold(list->topLevelItem(i)) ? "bold" : "normal");
    return marks;
}

} // namespace

TEST(DefinitionPage, TheBoxAddsTheLanguagesOwnDefinitionsFirst)
{
    Viewer v(parse(Houses), 2);
    QTreeWidget* list = v.view("lst_ElementDefinitions");
    EXPECT_EQ(list->topLevelItemCount(), 4);
    v.click(list, list->topLevelItem(3));
    v.control<QCheckBox>("opt_ShowAllDefs")->click();
    EXPECT_EQ(list->topLevelItemCount(), 19 + 4);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "INCLUDE");
    EXPECT_EQ(v.column("lst_DefinitionAttributes"), QStringList({ "WATT" })); // the details stay
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
        EXPECT_EQ(v.column("lst_DefinitionAttributes"),
                  QStringList({ "NAME", "DESCRIPTION", "ICON", "GROUP", "COLOR" }));
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
        EXPECT_EQ(e.column("lst_DefinitionAttributes"),
                  QStringList({ "NAME", "DESCRIPTION", "ICON", "GROUP", "COLOR" }));
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

TEST(DefinitionPage, PossibleChildrenOfInternalAndListedDefinitions)
{
    const auto s = parse(Sheds);
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
    EXPECT_EQ(
        r.infoLines(),
        QStringList(
            { "Dieses Element muss mindestens folgende Unterelemente haben: LAMP, HALL",
              "Dieses Elementen darf nur unterhalb eines der folgenden Elemente vorkommen: HOUSE, , , , , , , , " }));

    // Parents only as clones; an internal definition says so after its description.
    const auto shed = parse(Sheds);
    shed->DEFINITIONS()->Item("SHED")->PARENTSALLOWED()->CLEAR();
    Viewer sc(shed, 2, QStringLiteral("SHED"));
    EXPECT_EQ(sc.infoLines(),
              QStringList({ "Dieses Elementen darf nur unterhalb eines der folgenden Elemente oder deren "
                            "Nachfahren vorkommen: HOUSE" }));
    Viewer in(s, 2, QStringLiteral("INCLUDE"));
    EXPECT_EQ(in.infoLines(),
              QStringList({ "Beschreibung: Lädt eine andere Vorn-Skript-Datei ein",
                            "Dieses Element gehört zum internen Sprachumfang von VornScript",
                            "Dieses Elementen muss auf der Hauptebene definiert werden" }));
}
