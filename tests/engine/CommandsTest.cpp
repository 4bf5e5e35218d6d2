// What the declaring commands change (their messages are in MessagesTest).
#include "engine/Support.h"

using namespace support;

namespace {

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

// One text per attribute definition: name, type, default, required, fixed.
QString describe(const Ref<cls_VornAttributeDef>& a)
{
    return QStringList{ a->NAME(), QString::number(a->SORT()), DataTypes::FORMAT(a->DEFAULT()),
                        a->REQUIRED() ? "req" : "opt", a->FIXED() ? "fixed" : "free" }.join(' ');
}

const QString Point = QStringLiteral("BEGIN ELEMENT NAME=\"POINT\", DESCRIPTION=\"Ein Punkt\", ICON=\"pt\", GROUP=\"geo\"\n"
                                     "  LONG NAME=\"X\", DEFAULT=\"5\", DESCRIPTION=\"waagrecht\"\n"
                                     "  LONG NAME=\"Y\", REQUIRED=nein\n"
                                     "  STRING NAME=\"LABEL\", DEFAULT=\"-\", REQUIRED=False\n"
                                     "END\n");

} // namespace

TEST(CommandsTest, ElementDeclaresATypeAndLeavesTheTree)
{
    auto s = parsed(Point + "POINT X=1, Y=2\n"
                    "BEGIN ELEMENT NAME=\"C1\", COLOR=\"#0000FF\"\nEND\nBEGIN ELEMENT NAME=\"C2\", COLOR=255\nEND\n"
                    "BEGIN ELEMENT NAME=\"Q1\", ICON=xyz\nEND\n"
                    "BEGIN ELEMENT NAME=\"HOST\"\n  LONG NAME=\"A\"\n  POINT\n  LONG NAME=\"B\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"LOW\"\n  long NAME=\"L\"\nEND");
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 19 + 5);
    auto d = s->DEFINITIONS()->Item("POINT");
    EXPECT_EQ(QStringList({ d->NAME(), d->DESCRIPTION(), d->ICON(), d->GROUP(), d->SOURCE() }),
              QStringList({ "POINT", "Ein Punkt", "pt", "geo", "origin.vs" }));
    EXPECT_FALSE(d->INTERNAL());
    EXPECT_EQ(d->COLOR(), 0);
    // Defaults are stored as given, not converted; REQUIRED is on unless switched off.
    EXPECT_EQ(describe(d->ATTRIBUTES()->Item("X")), "X 103 \"5\" req free");
    EXPECT_EQ(d->ATTRIBUTES()->Item("X")->DESCRIPTION(), "waagrecht");
    EXPECT_EQ(describe(d->ATTRIBUTES()->Item("Y")), "Y 103 \"\" opt free");
    EXPECT_EQ(describe(d->ATTRIBUTES()->Item("LABEL")), "LABEL 100 \"-\" opt free");
    EXPECT_EQ(s->DEFINITIONS()->Item("C1")->COLOR(), 255 * 65536);
    EXPECT_EQ(s->DEFINITIONS()->Item("C2")->COLOR(), 255);
    // A reader error stops a command; a sub-block that is no declaration stops the rest.
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("Q1"));
    EXPECT_EQ(attributeNames(s->DEFINITIONS()->Item("HOST")), QStringList({ "A" }));
    EXPECT_EQ(s->DEFINITIONS()->Item("LOW")->ATTRIBUTES()->Item("L")->SORT(), TypeLong); // lower-case type word

    ASSERT_EQ(s->ELEMENTS()->COUNT(), 3);
    EXPECT_FALSE(s->ELEMENTS()->Item(1)->ERRORS());
    EXPECT_EQ(s->ELEMENTS()->Item(1)->ATTRIBUTES()->VALUE("LABEL"), Variant("-"));
    EXPECT_EQ(s->ELEMENTS()->Item(2)->SORT(), "ELEMENT");
}

TEST(CommandsTest, ParentRulesAndTheirEmptySlots)
{
    auto s = parsed("BEGIN ELEMENT NAME=\"ONE\"\n  PARENT \"A\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"TWO\"\n  PARENT \"A\", \"B*\"\nEND\n"
                    "BEGIN ELEMENT NAME=\"THREE\"\n  PARENT \"A*\", \"B\"\n  PARENT ELEMENT3=\"A\", ELEMENT1=\"C\"\nEND");
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 0);
    const QStringList empty7(7, QString());
    EXPECT_EQ(s->DEFINITIONS()->Item("ONE")->PARENTSALLOWED()->items(), QStringList({ "A", "" }) + empty7);
    auto two = s->DEFINITIONS()->Item("TWO");
    EXPECT_EQ(two->PARENTSALLOWED()->items(), QStringList({ "A" }) + empty7);
    EXPECT_EQ(two->PARENTCLONESALLOWED()->items(), QStringList({ "B" }));
    // A later plain A removes the derived rule for A again.
    auto three = s->DEFINITIONS()->Item("THREE");
    EXPECT_EQ(three->PARENTCLONESALLOWED()->items(), QStringList());
    EXPECT_EQ(three->PARENTSALLOWED()->items(), QStringList({ "B" }) + empty7 + QStringList({ "C", "", "A" })
                                                    + QStringList(6, QString()));
}

TEST(CommandsTest, ModifyAndClone)
{
    auto s = parsed(Point
                    + "BEGIN MODIFY NAME=\"POINT\", DESCRIPTION=\"ignored\"\n  FIX NAME=\"Q\", VALUE=1\n"
                      "  FIX NAME=\"X\", VALUE=9\n  DEFAULT NAME=\"LABEL\", VALUE=\"L\"\n  LONG NAME=\"Z\", REQUIRED=no\nEND\n"
                      "POINT Y=2\n"
                      "BEGIN CLONE NAME=\"POINT3D\", CLONE=\"point\", DESCRIPTION=\"Raum\"\n"
                      "  DOUBLE NAME=\"W\"\n  UNFIX NAME=\"X\"\nEND\n"
                      "BEGIN CLONE NAME=\"POINT4D\", CLONE=\"POINT3D\"\nEND\n");
    auto& defs = *s->DEFINITIONS();
    auto d = defs.Item("POINT");
    EXPECT_EQ(d->DESCRIPTION(), "Ein Punkt");
    EXPECT_EQ(attributeNames(d), QStringList({ "X", "Y", "LABEL", "Z" })); // the unknown Q did not stop the rest
    EXPECT_EQ(describe(d->ATTRIBUTES()->Item("X")), "X 103 9 req fixed");
    EXPECT_EQ(describe(d->ATTRIBUTES()->Item("LABEL")), "LABEL 100 \"L\" opt free");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_FALSE(s->ELEMENTS()->Item(1)->ERRORS());
    EXPECT_EQ(s->ELEMENTS()->Item(1)->ATTRIBUTES()->VALUE("X"), Variant(9.0));

    // A clone copies deeply, takes no description from its template and records its descent.
    auto p3 = defs.Item("POINT3D");
    auto p4 = defs.Item("POINT4D");
    ASSERT_TRUE(p3 && p4);
    EXPECT_EQ(QStringList({ p3->NAME(), p3->DESCRIPTION(), p3->ICON(), p3->GROUP(), p4->DESCRIPTION() }),
              QStringList({ "POINT3D", "Raum", "pt", "geo", "" }));
    EXPECT_EQ(attributeNames(p4), QStringList({ "X", "Y", "LABEL", "Z", "W" }));
    EXPECT_EQ(p4->ANCESTORS()->items(), QStringList({ "POINT", "POINT3D" }));
    EXPECT_FALSE(p3->ATTRIBUTES()->Item("X")->FIXED());
    EXPECT_TRUE(d->ATTRIBUTES()->Item("X")->FIXED());

    // DEFAULT unfixes and makes optional, REQUIRE unfixes and makes required, UNFIX keeps REQUIRED.
    s->PARSE("BEGIN MODIFY NAME=\"point\"\n  FIXALL\nEND\n"
             "BEGIN MODIFY NAME=\"POINT\"\n  DEFAULT NAME=\"X\", VALUE=3\n  REQUIRE NAME=\"LABEL\"\n  UNFIX NAME=\"Y\"\nEND");
    const QStringList after = { "X 103 3 opt free", "Y 103 \"\" opt free", "LABEL 100 \"L\" req free", "Z 103 \"\" opt fixed" };
    for (qint32 i = 1; i <= 4; ++i)
        EXPECT_EQ(describe(d->ATTRIBUTES()->Item(i)), after[i - 1]);
    EXPECT_EQ(s->ELEMENTS()->COUNT(), 1);
}

TEST(CommandsTest, EnumerationsAndValueListAttributes)
{
    auto s = parsed("BEGIN ENUMERATION NAME=\"colors\", DESCRIPTION=\"Farben\"\n"
                    "  ENUMITEM NAME=\"red\", VALUE=1, DESCRIPTION=\"rot\"\n  ENUMITEM NAME=\"GREEN\", VALUE=\"g\"\nEND\n"
                    "BEGIN ENUMERATION NAME=\"L1\"\n  ENUMITEM NAME=\"A\", VALUE=1\n  ENUMITEM NAME=\"a\", VALUE=2\n"
                    "  ENUMITEM NAME=\"B\", VALUE=3\nEND\n"
                    "BEGIN ELEMENT NAME=\"LAMP\"\n  ENUM ENUMID=\"colors\", NAME=\"C\", DEFAULT=\"GREEN\", REQUIRED=no\nEND\n"
                    "LAMP C=\"RED\"\nLAMP\n");
    auto& lists = *s->ENUMERATIONS();
    auto colors = lists.Item("COLORS");
    ASSERT_TRUE(colors);
    EXPECT_EQ(colors->ENUMDESCRIPTION(), "Farben");
    EXPECT_EQ(QStringList({ colors->NAME(1), colors->NAME(2), colors->DESCRIPTION("RED") }),
              QStringList({ "RED", "GREEN", "rot" }));
    EXPECT_EQ(colors->VALUE("RED"), Variant(1.0));
    EXPECT_EQ(colors->VALUE("GREEN"), Variant("g"));
    EXPECT_EQ(lists.Item("L1")->COUNT(), 1); // a stopped list keeps the members made so far

    auto c = s->DEFINITIONS()->Item("LAMP")->ATTRIBUTES()->Item("C");
    EXPECT_EQ(c->ENUMID(), "colors");
    EXPECT_EQ(describe(c), "C 101 \"g\" opt free");
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 3);
    EXPECT_EQ(s->ELEMENTS()->Item(2)->ATTRIBUTES()->VALUE("C"), Variant(1.0));
    EXPECT_EQ(s->ELEMENTS()->Item(3)->ATTRIBUTES()->VALUE("C"), Variant("g"));

    // FIX and DEFAULT of a value-list attribute go through the list.
    s->PARSE("BEGIN MODIFY NAME=\"LAMP\"\n  DEFAULT NAME=\"C\", VALUE=\"RED\"\nEND");
    EXPECT_EQ(c->DEFAULT(), Variant(1.0));
    s->PARSE("BEGIN MODIFY NAME=\"LAMP\"\n  FIX NAME=\"C\", VALUE=\"pink\"\nEND");
    EXPECT_TRUE(c->FIXED());
    EXPECT_EQ(c->DEFAULT(), Variant("!ERROR!"));
}
