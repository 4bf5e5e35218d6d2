// What the check does to an element besides its messages (those are in MessagesTest).
#include "engine/Support.h"

using namespace support;

namespace {

const Variant Failed = QStringLiteral("!ERROR!");

// Parses into s; answers the first new top-level element.
Ref<cls_VornElement> parseOne(const Ref<cls_VornStructure>& s, const QString& script)
{
    const qint32 before = s->ELEMENTS()->COUNT();
    s->PARSE(script);
    return s->ELEMENTS()->Item(before + 1);
}

QStringList values(const Ref<cls_VornElement>& e)
{
    QStringList out;
    for (qint32 i = 1; i <= e->ATTRIBUTES()->COUNT(); ++i)
        out << e->ATTRIBUTES()->VALUE(i).toText();
    return out;
}

} // namespace

TEST(CheckTest, ValuesAreConvertedFilledAndMarked)
{
    auto s = fixture();
    auto e = cls_VornElement::create();
    e->setSORT("t");
    e->ATTRIBUTES()->setVALUE("B", 2.5);
    EXPECT_TRUE(e->CHECK(s, s));
    EXPECT_EQ(e->SORT(), "t"); // the type keeps its case
    EXPECT_EQ(attributeNames(e), QStringList({ "A", "B", "C" }));
    EXPECT_TRUE(e->ATTRIBUTES()->VALUE("B").isLong());
    EXPECT_EQ(values(e), QStringList({ "7", "2", "42" })); // halves go to the even neighbour

    // Positional values fill the non-fixed attributes in order; the rest stay under their slot.
    e = parseOne(s, "T 1, 2, 3");
    EXPECT_EQ(attributeNames(e), QStringList({ "A", "B", "C", "3" }));
    EXPECT_EQ(values(e), QStringList({ "7", "1", "2", "!ERROR!" }));
    e = parseOne(s, "T 1,,3"); // the empty marker counts as absent
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(42));
    e = parseOne(s, "T C=\"_EMPTY_\", B=");
    EXPECT_EQ(values(e), QStringList({ "7", "!ERROR!", "42" }));
    // Every faulty value is marked, and the left-over names follow the definition's.
    e = parseOne(s, "T Z=1, A=1, C=\"abc\", Y=\"q\"");
    EXPECT_EQ(attributeNames(e), QStringList({ "A", "B", "C", "Z", "Y" }));
    for (const char* name : { "A", "B", "C", "Z", "Y" })
        EXPECT_EQ(e->ATTRIBUTES()->VALUE(name), Failed) << name;

    // Without a type only that message, and the empty markers leave.
    e = cls_VornElement::create();
    for (const auto& [name, value] : { std::pair<const char*, Variant>("X", 1), { "Y", "_EMPTY_" }, { "Z", 2 } })
        e->ATTRIBUTES()->setVALUE(name, value);
    EXPECT_FALSE(e->CHECK(s, s));
    EXPECT_EQ(e->ERRORTEXT(), "Jedes Element muss einen Typ haben");
    EXPECT_EQ(attributeNames(e), QStringList({ "X", "Z" }));

    // A type declared in lower case is never found; the bag stays as the reader stored it.
    s->PARSE("BEGIN ELEMENT NAME=\"low\"\nEND");
    e = parseOne(s, "low B=1");
    EXPECT_EQ(errorsOf(e), QStringList({ undefined("low") }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(1.0));
}

TEST(CheckTest, DefinitionsForAParentAndDerivedParents)
{
    auto s = fixture();
    s->DEFINITIONS()->CREATE("X")->ATTRIBUTES()->CREATE("V", TypeLong);
    s->DEFINITIONS()->CREATE("X.P")->ATTRIBUTES()->CREATE("V", TypeString);
    auto p = parseOne(s, "BEGIN P\nX V=5\nEND\nX V=5");
    EXPECT_EQ(p->ELEMENTS()->Item(1)->SORT(), "X.P");
    EXPECT_EQ(p->ELEMENTS()->Item(1)->ATTRIBUTES()->VALUE("V"), Variant("5"));
    EXPECT_EQ(s->ELEMENTS()->Item(2)->SORT(), "X");
    EXPECT_EQ(s->ELEMENTS()->Item(2)->ATTRIBUTES()->VALUE("V"), Variant(5));

    // Parents derived (through clones) from an allowed type are allowed.
    s->PARSE("BEGIN ELEMENT NAME=\"K\"\nEND\nBEGIN CLONE NAME=\"K2\", CLONE=\"K\"\nEND\n"
             "BEGIN CLONE NAME=\"K3\", CLONE=\"K2\"\nEND");
    ASSERT_EQ(s->DEFINITIONS()->Item("K3")->ANCESTORS()->items(), QStringList({ "K", "K2" }));
    for (const char* parent : { "P", "K3" })
        EXPECT_FALSE(parseOne(s, QString("BEGIN ") + parent + "\nBOTH\nEND")->ELEMENTS()->Item(1)->ERRORS()) << parent;
    for (const char* parent : { "K", "K2", "K3" })
        EXPECT_FALSE(parseOne(s, QString("BEGIN ") + parent + "\nDERIVED R=1\nEND")->ELEMENTS()->Item(1)->ERRORS()) << parent;
    // A parent without definition stops the check at once: the bag stays untouched.
    auto orphan = parseOne(s, "BEGIN UNDEF\nDERIVED EXTRA=1\nEND")->ELEMENTS()->Item(1);
    EXPECT_EQ(attributeNames(orphan), QStringList({ "EXTRA" }));
}

TEST(CheckTest, IdentifierComesFromTheAttributeID)
{
    auto s = fixture();
    auto& defs = *s->DEFINITIONS();
    auto first = defs.CREATE("FIRST");
    first->ATTRIBUTES()->CREATE("ID", TypeString);
    first->ATTRIBUTES()->CREATE("V", TypeLong);
    auto second = defs.CREATE("SECOND");
    second->ATTRIBUTES()->CREATE("NAME", TypeString);
    second->ATTRIBUTES()->CREATE("ID", TypeString);
    defs.CREATE("FIXEDID")->ATTRIBUTES()->CREATE("ID", TypeString, "D")->setFIXED(true);

    // No ID attribute declared: the given value becomes the ID and leaves the bag.
    auto e = parseOne(s, "T B=1, ID=\"n1\"");
    EXPECT_EQ(e->ID(), "n1");
    EXPECT_FALSE(e->ERRORS() || e->ATTRIBUTES()->EXISTS("ID"));
    e = parseOne(s, "FIRST \"n2\", V=3");
    EXPECT_EQ(e->ID(), "n2");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("ID"), Variant("n2"));
    // A quoted first value fills the first non-fixed attribute, whatever its name.
    e = parseOne(s, "SECOND \"n3\"");
    EXPECT_EQ(e->ID(), "");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("NAME"), Variant("n3"));
    // A fixed ID given: the given text as ID, the default in the bag.
    e = parseOne(s, "FIXEDID ID=\"n4\"");
    EXPECT_EQ(e->ID(), "n4");
    EXPECT_EQ(errorsOf(e), QStringList({ fixedGiven("ID", "FIXEDID") }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("ID"), Variant("D"));
}
