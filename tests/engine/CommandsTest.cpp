#include <vorn/vorn.h>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

QStringList errorsOf(const Ref<cls_VornElement>& e) { return e->ERRORTEXT().split("\r\n", Qt::SkipEmptyParts); }

Ref<cls_VornStructure> parsed(const QString& script)
{
    auto s = cls_VornStructure::create();
    s->setSOURCE("origin.vs");
    s->PARSE(script);
    return s;
}

QStringList attributeNames(const Ref<cls_VornElementDef>& d)
{
    QStringList names;
    for (qint32 i = 1; i <= d->ATTRIBUTES()->COUNT(); ++i)
        names.append(d->ATTRIBUTES()->Item(i)->NAME());
    return names;
}

QString notThere(const QString& name) { return "Das Attribut '" + name + "' gibt es in dieserm Element-Typ nicht"; }

const QString Point = QStringLiteral("BEGIN ELEMENT NAME=\"POINT\", DESCRIPTION=\"Ein Punkt\", ICON=\"pt\", GROUP=\"geo\"\n"
                                     "  LONG NAME=\"X\", DEFAULT=\"5\", DESCRIPTION=\"waagrecht\"\n"
                                     "  LONG NAME=\"Y\", REQUIRED=nein\n"
                                     "  STRING NAME=\"LABEL\", DEFAULT=\"-\", REQUIRED=False\n"
                                     "END\n");

} // namespace

TEST(CommandsTest, ElementDeclaresATypeAndLeavesTheTree)
{
    auto s = parsed(Point + "POINT X=1, Y=2");
    ASSERT_TRUE(s->DEFINITIONS()->EXISTS("POINT"));
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 20);
    auto d = s->DEFINITIONS()->Item("POINT");
    EXPECT_EQ(d->NAME(), "POINT");
    EXPECT_EQ(d->DESCRIPTION(), "Ein Punkt");
    EXPECT_EQ(d->ICON(), "pt");
    EXPECT_EQ(d->GROUP(), "geo");
    EXPECT_EQ(d->COLOR(), 0);
    EXPECT_EQ(d->SOURCE(), "origin.vs");
    EXPECT_FALSE(d->INTERNAL());
    EXPECT_EQ(attributeNames(d), QStringList({ "X", "Y", "LABEL" }));
    auto x = d->ATTRIBUTES()->Item("X");
    EXPECT_EQ(x->SORT(), TypeLong);
    EXPECT_EQ(x->DEFAULT(), Variant("5")); // stored as given, not converted
    EXPECT_TRUE(x->REQUIRED());
    EXPECT_EQ(x->DESCRIPTION(), "waagrecht");
    EXPECT_FALSE(d->ATTRIBUTES()->Item("Y")->REQUIRED());
    EXPECT_EQ(d->ATTRIBUTES()->Item("LABEL")->SORT(), TypeString);
    EXPECT_FALSE(d->ATTRIBUTES()->Item("LABEL")->REQUIRED());

    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    auto p = s->ELEMENTS()->Item(1);
    EXPECT_FALSE(p->ERRORS()) << p->ERRORTEXT().toStdString();
    EXPECT_EQ(p->ATTRIBUTES()->VALUE("LABEL"), Variant("-"));
}

TEST(CommandsTest, ElementColorFromHexOrNumber)
{
    auto s = parsed("BEGIN ELEMENT NAME=\"C1\", COLOR=\"#0000FF\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"C2\", COLOR=255\nEND\n"
                    "BEGIN ELEMENT NAME=\"C3\", COLOR=\"16777215\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"C4\", COLOR=\"#GG0000\"\nEND");
    EXPECT_EQ(s->DEFINITIONS()->Item("C1")->COLOR(), 255 * 65536);
    EXPECT_EQ(s->DEFINITIONS()->Item("C2")->COLOR(), 255);
    EXPECT_EQ(s->DEFINITIONS()->Item("C3")->COLOR(), 16777215);
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("C4"));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)),
              QStringList({ "Der für das Attribut 'COLOR' angegebene Wert '#GG0000' ist inkomaptibel zum geforderten Datentyp 'COLOR'" }));
}

TEST(CommandsTest, ParentRulesAndTheirEmptySlots)
{
    auto s = parsed("BEGIN ELEMENT NAME=\"ONE\"\n  PARENT \"A\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"TWO\"\n  PARENT \"A\", \"B*\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"THREE\"\n  PARENT \"A*\", \"B\"\n  PARENT ELEMENT3=\"A\", ELEMENT1=\"C\"\nEND");
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 0);
    const QStringList eightEmpty(8, QString());
    EXPECT_EQ(s->DEFINITIONS()->Item("ONE")->PARENTSALLOWED()->items(), QStringList({ "A" }) + eightEmpty);
    auto two = s->DEFINITIONS()->Item("TWO");
    EXPECT_EQ(two->PARENTSALLOWED()->items(), QStringList({ "A" }) + QStringList(7, QString()));
    EXPECT_EQ(two->PARENTCLONESALLOWED()->items(), QStringList({ "B" }));
    // A later plain A removes the derived rule for A again.
    auto three = s->DEFINITIONS()->Item("THREE");
    EXPECT_EQ(three->PARENTCLONESALLOWED()->items(), QStringList());
    EXPECT_EQ(three->PARENTSALLOWED()->items(),
              QStringList({ "B" }) + QStringList(7, QString()) + QStringList({ "C", "", "A" }) + QStringList(6, QString()));
}

TEST(CommandsTest, ModifyRules)
{
    auto s = parsed(Point
                    + "BEGIN MODIFY NAME=\"POINT\", DESCRIPTION=\"ignored\"\n"
                      "  FIX NAME=\"X\", VALUE=9\n"
                      "  DEFAULT NAME=\"LABEL\", VALUE=\"L\"\n"
                      "  LONG NAME=\"Z\", REQUIRED=no\n"
                      "END\n"
                      "POINT X=1, Y=2\n"
                      "POINT Y=2\n");
    auto d = s->DEFINITIONS()->Item("POINT");
    EXPECT_EQ(d->DESCRIPTION(), "Ein Punkt");
    auto x = d->ATTRIBUTES()->Item("X");
    EXPECT_TRUE(x->FIXED());
    EXPECT_TRUE(x->REQUIRED());
    EXPECT_EQ(x->DEFAULT(), Variant(9.0));
    EXPECT_EQ(d->ATTRIBUTES()->Item("LABEL")->DEFAULT(), Variant("L"));
    EXPECT_EQ(attributeNames(d), QStringList({ "X", "Y", "LABEL", "Z" }));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 2);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)),
              QStringList({ "Das Attribut 'X' wurde für den Element-Typ 'POINT' fixiert und kann nicht gesetzt werden",
                            "Es wurden Attribute angegeben, die nicht zum Element gehören: X" }));
    auto second = s->ELEMENTS()->Item(2);
    EXPECT_FALSE(second->ERRORS());
    EXPECT_EQ(second->ATTRIBUTES()->VALUE("X"), Variant(9.0));
    EXPECT_EQ(second->ATTRIBUTES()->VALUE("LABEL"), Variant("L"));

    // DEFAULT unfixes and makes optional, REQUIRE unfixes and makes required, UNFIX keeps REQUIRED.
    s->PARSE("BEGIN MODIFY NAME=\"point\"\n  FIXALL\nEND\n"
             "BEGIN MODIFY NAME=\"POINT\"\n  DEFAULT NAME=\"X\", VALUE=3\n  REQUIRE NAME=\"LABEL\"\n  UNFIX NAME=\"Y\"\nEND");
    EXPECT_FALSE(x->FIXED());
    EXPECT_FALSE(x->REQUIRED());
    EXPECT_EQ(x->DEFAULT(), Variant(3.0));
    EXPECT_FALSE(d->ATTRIBUTES()->Item("LABEL")->FIXED());
    EXPECT_TRUE(d->ATTRIBUTES()->Item("LABEL")->REQUIRED());
    EXPECT_FALSE(d->ATTRIBUTES()->Item("Y")->FIXED());
    EXPECT_FALSE(d->ATTRIBUTES()->Item("Y")->REQUIRED());
    EXPECT_TRUE(d->ATTRIBUTES()->Item("Z")->FIXED());
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 2);
}

TEST(CommandsTest, CommandMessages)
{
    auto s = parsed(Point
                    + "BEGIN MODIFY NAME=\"NOPE\"\nEND\n"
                      "BEGIN MODIFY NAME=\"POINT\"\n  FIX NAME=\"Q\", VALUE=1\n  UNFIX NAME=\"R\"\n  FIX NAME=\"Y\", VALUE=0\nEND\n"
                      "BEGIN CLONE NAME=\"POINT\", CLONE=\"X\"\nEND\n"
                      "BEGIN CLONE NAME=\"P2\", CLONE=\"NOPE\"\nEND\n"
                      "BEGIN ELEMENT NAME=\"E1\"\n  ENUM ENUMID=\"NOLIST\", NAME=\"C\"\nEND\n");
    // The MODIFY with unknown attributes completed: it is gone and its known FIX took effect.
    EXPECT_TRUE(s->DEFINITIONS()->Item("POINT")->ATTRIBUTES()->Item("Y")->FIXED());
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 4);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)),
              QStringList({ "MODIFY kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber 'NOPE' ist "
                            "noch nicht definiert!" }));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(2)), QStringList({ "Es gibt bereits ein Element 'POINT'" }));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(3)),
              QStringList({ "CLONE kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber 'NOPE' ist "
                            "noch nicht definiert!" }));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("P2"));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(4)),
              QStringList({ "Die Werte-Liste 'NOLIST' wurde in dieser Struktur nicht definiert und kann daher auch nicht als "
                            "Datentyp für ein Attribut verwendet werden!" }));
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("E1")); // created before the failing declaration

    // A command that completed leaves the tree, but PARSE still lists what it recorded, in order.
    auto list = CoreList::create();
    auto t = cls_VornStructure::create();
    EXPECT_TRUE(t->PARSE(Point + "NOPE1\nBEGIN MODIFY NAME=\"POINT\"\n  REQUIRE NAME=\"Q\"\nEND\nNOPE2\n"
                                 "BEGIN ELEMENT NAME=\"LATE\"",
                         list));
    EXPECT_EQ(t->ELEMENTS()->COUNT(), 2);
    ASSERT_EQ(list->COUNT(), 4);
    EXPECT_TRUE(list->ITEM(1).contains("'NOPE1'"));
    EXPECT_EQ(list->ITEM(2), notThere("Q"));
    EXPECT_TRUE(list->ITEM(3).contains("'NOPE2'"));
    EXPECT_EQ(list->ITEM(4), "Das Element wurde nicht ordentlich mit END abgeschlossen!");
    EXPECT_TRUE(t->DEFINITIONS()->EXISTS("LATE"));
}

TEST(CommandsTest, SubBlocksThatAreNoDeclaration)
{
    auto s = parsed("BEGIN ELEMENT NAME=\"FREE\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"HOST\"\n  LONG NAME=\"A\"\n  FREE\n  LONG NAME=\"B\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"WRONG\"\n  LONG NAME=\"A\"\n  FIX NAME=\"A\", VALUE=1\n  LONG NAME=\"B\"\nEND\n"
                    "BEGIN CLONE NAME=\"LOW\", CLONE=\"FREE\"\n  long NAME=\"L\"\n  fix NAME=\"L\", VALUE=1\nEND");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 3);
    auto host = s->ELEMENTS()->Item(1);
    EXPECT_EQ(host->SORT(), "ELEMENT");
    EXPECT_EQ(errorsOf(host), QStringList({ "FREE ist kein gültiges Untererlement von 'ELEMENT'" }));
    EXPECT_EQ(attributeNames(s->DEFINITIONS()->Item("HOST")), QStringList({ "A" }));

    // FIX directly inside ELEMENT fails its own placement check; the command stops silently.
    auto wrong = s->ELEMENTS()->Item(2);
    EXPECT_FALSE(wrong->ERRORS());
    EXPECT_EQ(errorsOf(wrong->ELEMENTS()->Item(2)),
              QStringList({ "Dieses Element darf nur unterhalb der folgenden Elemente definiert werden: CLONE, MODIFY" }));
    EXPECT_EQ(attributeNames(s->DEFINITIONS()->Item("WRONG")), QStringList({ "A" }));

    // Rule words count in upper case only; a lower-case data-type word still declares.
    auto low = s->ELEMENTS()->Item(3);
    EXPECT_EQ(errorsOf(low), QStringList({ "fix ist kein gültiges Untererlement von 'ELEMENT'" }));
    EXPECT_EQ(attributeNames(s->DEFINITIONS()->Item("LOW")), QStringList({ "L" }));
    EXPECT_EQ(s->DEFINITIONS()->Item("LOW")->ATTRIBUTES()->Item("L")->SORT(), TypeLong);
}

TEST(CommandsTest, CloneCopiesAndRecordsTheLineOfDescent)
{
    auto s = parsed(Point
                    + "BEGIN CLONE NAME=\"POINT3D\", CLONE=\"point\", DESCRIPTION=\"Raum\"\n"
                      "  DOUBLE NAME=\"Z\"\n  FIX NAME=\"X\", VALUE=0\nEND\n"
                      "BEGIN CLONE NAME=\"POINT4D\", CLONE=\"POINT3D\"\nEND\n"
                      "POINT3D Y=1, Z=2.5\n");
    auto& defs = *s->DEFINITIONS();
    auto base = defs.Item("POINT");
    auto p3 = defs.Item("POINT3D");
    auto p4 = defs.Item("POINT4D");
    ASSERT_TRUE(p3 && p4);
    EXPECT_EQ(p3->NAME(), "POINT3D");
    EXPECT_EQ(p3->DESCRIPTION(), "Raum");
    EXPECT_EQ(p4->DESCRIPTION(), ""); // not taken over from the template
    EXPECT_EQ(p3->ICON(), "pt");
    EXPECT_EQ(p3->GROUP(), "geo");
    EXPECT_EQ(attributeNames(p3), QStringList({ "X", "Y", "LABEL", "Z" }));
    EXPECT_EQ(p3->ANCESTORS()->items(), QStringList({ "POINT" }));
    EXPECT_EQ(p4->ANCESTORS()->items(), QStringList({ "POINT", "POINT3D" }));
    EXPECT_EQ(attributeNames(p4), QStringList({ "X", "Y", "LABEL", "Z" }));
    // The copy is deep: the template keeps its own attribute definitions.
    EXPECT_FALSE(base->ATTRIBUTES()->Item("X")->FIXED());
    EXPECT_TRUE(p3->ATTRIBUTES()->Item("X")->FIXED());
    EXPECT_EQ(attributeNames(base), QStringList({ "X", "Y", "LABEL" }));
    EXPECT_EQ(defs.Item("POINT"), base);

    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    auto e = s->ELEMENTS()->Item(1);
    EXPECT_FALSE(e->ERRORS()) << e->ERRORTEXT().toStdString();
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("Z"), Variant(2.5));
}

TEST(CommandsTest, EnumerationsAndValueListAttributes)
{
    auto s = parsed("BEGIN ENUMERATION NAME=\"colors\", DESCRIPTION=\"Farben\"\n"
                    "  ENUMITEM NAME=\"red\", VALUE=1, DESCRIPTION=\"rot\"\n"
                    "  ENUMITEM NAME=\"GREEN\", VALUE=\"g\"\n"
                    "END\n"
                    "BEGIN ENUMERATION NAME=\"EMPTY\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"LAMP\"\n  ENUM ENUMID=\"colors\", NAME=\"C\", DEFAULT=\"GREEN\", REQUIRED=no\nEND\n"
                    "LAMP C=\"RED\"\nLAMP\nLAMP C=\"blue\"\n");
    auto& lists = *s->ENUMERATIONS();
    ASSERT_EQ(lists.COUNT(), 2);
    auto colors = lists.Item("COLORS");
    ASSERT_TRUE(colors);
    EXPECT_EQ(colors->ENUMDESCRIPTION(), "Farben");
    ASSERT_EQ(colors->COUNT(), 2);
    EXPECT_EQ(colors->NAME(1), "RED");
    EXPECT_EQ(colors->VALUE("RED"), Variant(1.0));
    EXPECT_EQ(colors->DESCRIPTION("RED"), "rot");
    EXPECT_EQ(colors->VALUE("GREEN"), Variant("g"));
    EXPECT_EQ(lists.Item("EMPTY")->COUNT(), 0);

    auto c = s->DEFINITIONS()->Item("LAMP")->ATTRIBUTES()->Item("C");
    EXPECT_EQ(c->SORT(), TypeEnum);
    EXPECT_EQ(c->ENUMID(), "colors");
    EXPECT_EQ(c->DEFAULT(), Variant("g"));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 3);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->ATTRIBUTES()->VALUE("C"), Variant(1.0));
    EXPECT_EQ(s->ELEMENTS()->Item(2)->ATTRIBUTES()->VALUE("C"), Variant("g"));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(3)),
              QStringList({ "Der für das Attribut 'C' angegebene Wert 'blue' ist inkomaptibel zum geforderten Datentyp 'ENUM'" }));

    // FIX and DEFAULT of a value-list attribute go through the list.
    s->PARSE("BEGIN MODIFY NAME=\"LAMP\"\n  DEFAULT NAME=\"C\", VALUE=\"RED\"\nEND\n"
             "BEGIN MODIFY NAME=\"LAMP\"\n  FIX NAME=\"C\", VALUE=\"pink\"\nEND");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 4);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(4)),
              QStringList({ "Der angegebene Wert '\"pink\"' ist kein Mitglied der Werte-Liste 'colors'!" }));
    EXPECT_TRUE(c->FIXED());
    EXPECT_EQ(c->DEFAULT(), Variant("!ERROR!"));
}

TEST(CommandsTest, EnumerationMessages)
{
    auto s = parsed("BEGIN ELEMENT NAME=\"FREE\"\nEND\n"
                    "BEGIN ENUMERATION NAME=\"L1\"\n  ENUMITEM NAME=\"red\", VALUE=1\n  ENUMITEM NAME=\"RED\", VALUE=2\n"
                    "  ENUMITEM NAME=\"blue\", VALUE=3\nEND\n"
                    "BEGIN ENUMERATION NAME=\"l1\"\nEND\n"
                    "BEGIN ENUMERATION NAME=\"L2\"\n  ENUMITEM NAME=\"A\", VALUE=1\n  FREE\n  ENUMITEM NAME=\"B\", VALUE=2\nEND\n"
                    "BEGIN ENUMERATION NAME=\"L3\"\n  ENUMITEM NAME=\"A\"\n  ENUMITEM NAME=\"B\", VALUE=2\nEND\n");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 4);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)),
              QStringList({ "Diese Enumeration enthält bereits ein Mitglied mit dem Namen 'RED'!" }));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(2)),
              QStringList({ "Es gibt bereits eine Enumeration mit dem Namen l1 in dieser Struktur!" }));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(3)),
              QStringList({ "Eine Enumeration darf nur Unter-Elemente vom Typ ENUMITEM enthalten!" }));
    EXPECT_FALSE(s->ELEMENTS()->Item(4)->ERRORS()); // the faulty item carries the message
    // Stopped lists keep the members made so far.
    auto& lists = *s->ENUMERATIONS();
    ASSERT_EQ(lists.COUNT(), 3);
    EXPECT_EQ(lists.Item("L1")->COUNT(), 1);
    EXPECT_EQ(lists.Item("L1")->VALUE("RED"), Variant(1.0));
    EXPECT_EQ(lists.Item("L2")->COUNT(), 1);
    EXPECT_EQ(lists.Item("L3")->COUNT(), 0);
}
