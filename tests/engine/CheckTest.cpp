#include <vorn/vorn.h>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
namespace vorn {
inline void PrintTo(const Variant& v, std::ostream* os)
{
    *os << "kind " << int(v.kind());
    try { *os << " '" << v.toText().toStdString() << "'"; } catch (const Error&) {}
}
} // namespace vorn

using namespace vorn;

namespace {

const Variant Failed = QStringLiteral("!ERROR!");

QStringList errorsOf(const Ref<cls_VornElement>& e) { return e->ERRORTEXT().split("\r\n", Qt::SkipEmptyParts); }

QStringList namesOf(const Ref<cls_VornElement>& e)
{
    QStringList names;
    for (qint32 i = 1; i <= e->ATTRIBUTES()->COUNT(); ++i)
        names.append(e->ATTRIBUTES()->NAME(i));
    return names;
}

QString leftOver(const QString& names) { return "Es wurden Attribute angegeben, die nicht zum Element gehören: " + names; }
QString required(const QString& name) { return "Das Attribut '" + name + "' ist eine Pflichtangabe, wurde aber nicht definiert"; }
QString fixedGiven(const QString& name, const QString& type)
{
    return "Das Attribut '" + name + "' wurde für den Element-Typ '" + type + "' fixiert und kann nicht gesetzt werden";
}
QString incompatible(const QString& name, const QString& value, const QString& type)
{
    return "Der für das Attribut '" + name + "' angegebene Wert '" + value + "' ist inkomaptibel zum geforderten Datentyp '"
        + type + "'";
}
QString onlyBelow(const QString& list) { return "Dieses Element darf nur unterhalb der folgenden Elemente definiert werden: " + list; }
const QString MainLevel = QStringLiteral("Dieses Element muss auf der Hauptebene definiert werden!");

// T: A fixed (default 7), B required LONG, C optional LONG (default 42). P, Q: no rules.
Ref<cls_VornStructure> structure()
{
    auto s = cls_VornStructure::create();
    auto& defs = *s->DEFINITIONS();
    auto t = defs.CREATE("T");
    t->ATTRIBUTES()->CREATE("A", TypeLong, 7)->setFIXED(true);
    t->ATTRIBUTES()->CREATE("B", TypeLong, QString(), true);
    t->ATTRIBUTES()->CREATE("C", TypeLong, 42);
    defs.CREATE("P");
    defs.CREATE("Q");
    return s;
}

// Parses into s; answers the element at the given top-level position.
Ref<cls_VornElement> parseOne(const Ref<cls_VornStructure>& s, const QString& script, qint32 position = 1)
{
    const qint32 before = s->ELEMENTS()->COUNT();
    s->PARSE(script);
    return s->ELEMENTS()->Item(before + position);
}

} // namespace

TEST(CheckTest, AnElementWithoutTypeGetsOnlyThatMessage)
{
    auto s = structure();
    auto e = cls_VornElement::create();
    e->ATTRIBUTES()->setVALUE("X", 1);
    e->ATTRIBUTES()->setVALUE("Y", "_EMPTY_");
    e->ATTRIBUTES()->setVALUE("Z", 2);
    EXPECT_FALSE(e->CHECK(s, s));
    EXPECT_EQ(e->ERRORTEXT(), "Jedes Element muss einen Typ haben");
    EXPECT_EQ(namesOf(e), QStringList({ "X", "Z" }));
}

TEST(CheckTest, UndefinedTypesIncludingLowerCaseDeclarations)
{
    auto s = structure();
    s->PARSE("BEGIN ELEMENT NAME=\"low\"\nEND");
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("low"));
    for (const char* type : { "NOPE", "low" }) {
        auto e = parseOne(s, QString(type) + " B=1");
        EXPECT_EQ(e->ERRORTEXT(), "Der Element-Typ '" + QString(type)
                                      + "' ist in dieser Struktur nicht definiert. Evtl. müssen Sie erst eine "
                                        "Definitions-Datei mit INCLUDE einbinden oder den Element-Typ mit BEGIN ELEMENT '"
                                      + type + "' definieren.");
        EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(1.0)); // left as the reader stored it
    }
}

TEST(CheckTest, ValidElementsKeepTheirTypeAndPassAsWritten)
{
    auto s = structure();
    auto e = cls_VornElement::create();
    e->setSORT("t");
    e->ATTRIBUTES()->setVALUE("B", 2.5);
    EXPECT_TRUE(e->CHECK(s, s));
    EXPECT_EQ(e->SORT(), "t");
    EXPECT_EQ(namesOf(e), QStringList({ "A", "B", "C" }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("A"), Variant(7));
    EXPECT_TRUE(e->ATTRIBUTES()->VALUE("B").isLong());
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(2)); // halves go to the even neighbour
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(42));
}

TEST(CheckTest, DefinitionForTheParentExtendsTheType)
{
    auto s = structure();
    s->DEFINITIONS()->CREATE("X")->ATTRIBUTES()->CREATE("V", TypeLong);
    s->DEFINITIONS()->CREATE("X.P")->ATTRIBUTES()->CREATE("V", TypeString);
    auto p = parseOne(s, "BEGIN P\nX V=5\nEND\nX V=5");
    auto child = p->ELEMENTS()->Item(1);
    EXPECT_EQ(child->SORT(), "X.P");
    EXPECT_EQ(child->ATTRIBUTES()->VALUE("V"), Variant("5"));
    auto atTop = s->ELEMENTS()->Item(2);
    EXPECT_EQ(atTop->SORT(), "X");
    EXPECT_EQ(atTop->ATTRIBUTES()->VALUE("V"), Variant(5));
    EXPECT_FALSE(s->ERRORSGLOBAL());
}

TEST(CheckTest, MainLevelRule)
{
    auto s = structure();
    s->DEFINITIONS()->CREATE("TOP")->PARENTSALLOWED()->ADD("NONE");
    s->DEFINITIONS()->CREATE("LOWTOP")->PARENTSALLOWED()->ADD("none");
    auto p = parseOne(s, "TOP\nBEGIN P\nTOP\nEND\nLOWTOP");
    EXPECT_FALSE(p->ERRORS());
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(2)->ELEMENTS()->Item(1)), QStringList({ MainLevel }));
    // The last rule compares "NONE" exactly, so a lower-case entry gives the list message.
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(3)), QStringList({ onlyBelow("none") }));
}

TEST(CheckTest, ParentLists)
{
    auto s = structure();
    s->PARSE("BEGIN ELEMENT NAME=\"K\"\nEND\n"
             "BEGIN CLONE NAME=\"K2\", CLONE=\"K\"\nEND\n"
             "BEGIN CLONE NAME=\"K3\", CLONE=\"K2\"\nEND");
    ASSERT_EQ(s->DEFINITIONS()->Item("K3")->ANCESTORS()->items(), QStringList({ "K", "K2" }));
    auto& defs = *s->DEFINITIONS();
    auto listed = defs.CREATE("LISTED");
    listed->PARENTSALLOWED()->ADD("P");
    auto both = defs.CREATE("BOTH");
    both->PARENTSALLOWED()->ADD("P");
    both->PARENTSALLOWED()->ADD("Q");
    both->PARENTCLONESALLOWED()->ADD("K");
    auto derived = defs.CREATE("DERIVED");
    derived->PARENTCLONESALLOWED()->ADD("K");
    derived->ATTRIBUTES()->CREATE("R", TypeLong, QString(), true);

    auto under = [&](const QString& parent, const QString& child) {
        auto p = parseOne(s, "BEGIN " + parent + "\n" + child + "\nEND");
        return p->ELEMENTS()->Item(1);
    };
    EXPECT_FALSE(under("P", "LISTED")->ERRORS());
    EXPECT_EQ(errorsOf(under("Q", "LISTED")), QStringList({ onlyBelow("P") }));
    EXPECT_FALSE(under("Q", "BOTH")->ERRORS());
    EXPECT_FALSE(under("K3", "BOTH")->ERRORS());
    EXPECT_EQ(errorsOf(under("T B=1", "BOTH")),
              QStringList({ onlyBelow("P, Q") + " oder Unterhalb von Elementen, die von folgenden abgeleitet wurden: K" }));
    for (const char* parent : { "K", "K2", "K3" })
        EXPECT_FALSE(under(parent, "DERIVED R=1")->ERRORS()) << parent;
    EXPECT_EQ(errorsOf(under("P", "DERIVED R=1")),
              QStringList({ "Dieses Element darf nur unterhalb von Elemente definiert werden, die von folgenden abgeleitet "
                            "wurden: K" }));

    // A parent without definition stops the check at once: no attribute messages, bag untouched.
    auto orphan = under("UNDEF", "DERIVED EXTRA=1");
    EXPECT_EQ(errorsOf(orphan), QStringList({ "Eltern-Element 'UNDEF' wurde nicht definiert!" }));
    EXPECT_EQ(namesOf(orphan), QStringList({ "EXTRA" }));
    EXPECT_EQ(errorsOf(parseOne(s, "DERIVED R=1")), QStringList({ "Eltern-Element '' wurde nicht definiert!" }));
}

TEST(CheckTest, PositionalValuesFillTheNonFixedAttributesInOrder)
{
    auto s = structure();
    auto e = parseOne(s, "T 1, 2, 3");
    EXPECT_EQ(namesOf(e), QStringList({ "A", "B", "C", "3" }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("A"), Variant(7));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(1));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(2));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("3"), Failed);
    EXPECT_EQ(errorsOf(e), QStringList({ leftOver("3") }));

    // A named value beats a positional one, which is then left over.
    e = parseOne(s, "T 1, B=5");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(5));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(42));
    EXPECT_EQ(errorsOf(e), QStringList({ leftOver("1") }));
}

TEST(CheckTest, EmptyMarkerCountsAsAbsent)
{
    auto s = structure();
    auto e = parseOne(s, "T 1,,3");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(42));
    EXPECT_EQ(errorsOf(e), QStringList({ leftOver("3") }));

    e = parseOne(s, "T C=\"_EMPTY_\", B=");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Failed);
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("C"), Variant(42));
    EXPECT_EQ(errorsOf(e), QStringList({ required("B") }));
}

TEST(CheckTest, FixedConversionAndLeftoverMessagesInDefinitionOrder)
{
    auto s = structure();
    auto e = parseOne(s, "T Z=1, A=1, C=\"abc\", Y=\"q\"");
    EXPECT_EQ(errorsOf(e), QStringList({ fixedGiven("A", "T"), required("B"), incompatible("C", "abc", "LONG"),
                                         leftOver("Z, A, Y") }));
    EXPECT_EQ(namesOf(e), QStringList({ "A", "B", "C", "Z", "Y" }));
    for (const char* name : { "A", "B", "C", "Z", "Y" })
        EXPECT_EQ(e->ATTRIBUTES()->VALUE(name), Failed) << name;

    // The type's NAME as declared appears in the message, not the SORT as written.
    e = parseOne(s, "t A=2, B=1");
    EXPECT_EQ(errorsOf(e), QStringList({ fixedGiven("A", "T"), leftOver("A") }));
}

TEST(CheckTest, ConversionFailuresNameTheDataType)
{
    auto s = structure();
    auto d = s->DEFINITIONS()->CREATE("TYPES");
    const std::pair<const char*, qint32> attributes[] = { { "S", TypeString }, { "D", TypeDouble }, { "B", TypeBool },
                                                          { "T", TypeDate },   { "C", TypeColor } };
    for (const auto& [name, type] : attributes)
        d->ATTRIBUTES()->CREATE(name, type);
    auto e = parseOne(s, "TYPES S=12, D=\"x\", B=7abc, T=\"2021-02-30\", C=\"#12345\"");
    EXPECT_EQ(errorsOf(e), QStringList({ "Der Wert '7abc' wurde nicht erkannt!", incompatible("D", "x", "DOUBLE"),
                                         incompatible("T", "2021-02-30", "DATE"),
                                         incompatible("C", "#12345", "COLOR") }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("S"), Variant("12"));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("B"), Variant(false)); // the empty value converts to False
}

TEST(CheckTest, IdentifierComesFromTheAttributeID)
{
    auto s = structure();
    auto& defs = *s->DEFINITIONS();
    auto first = defs.CREATE("FIRST");
    first->ATTRIBUTES()->CREATE("ID", TypeString);
    first->ATTRIBUTES()->CREATE("V", TypeLong);
    auto second = defs.CREATE("SECOND");
    second->ATTRIBUTES()->CREATE("NAME", TypeString);
    second->ATTRIBUTES()->CREATE("ID", TypeString);
    auto fixed = defs.CREATE("FIXEDID");
    fixed->ATTRIBUTES()->CREATE("ID", TypeString, "D")->setFIXED(true);

    // No ID attribute declared: the given value becomes the ID and leaves the bag.
    auto e = parseOne(s, "T B=1, ID=\"n1\"");
    EXPECT_EQ(e->ID(), "n1");
    EXPECT_FALSE(e->ERRORS());
    EXPECT_FALSE(e->ATTRIBUTES()->EXISTS("ID"));

    e = parseOne(s, "FIRST \"n2\", V=3");
    EXPECT_EQ(e->ID(), "n2");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("ID"), Variant("n2"));
    EXPECT_FALSE(e->ERRORS());

    // A quoted first value fills the first non-fixed attribute, whatever its name.
    e = parseOne(s, "SECOND \"n3\"");
    EXPECT_EQ(e->ID(), "");
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("NAME"), Variant("n3"));

    // A fixed ID given: the fixed message, the given text as ID, the default in the bag.
    e = parseOne(s, "FIXEDID ID=\"n4\"");
    EXPECT_EQ(e->ID(), "n4");
    EXPECT_EQ(errorsOf(e), QStringList({ fixedGiven("ID", "FIXEDID") }));
    EXPECT_EQ(e->ATTRIBUTES()->VALUE("ID"), Variant("D"));
}

TEST(CheckTest, AReaderErrorStopsACommand)
{
    auto s = structure();
    s->PARSE("BEGIN ELEMENT NAME=\"Q1\", ICON=xyz\nEND\n"
             "BEGIN ELEMENT NAME=\"Q2\"\nDESCRIPTION=\"d\" $\nEND\n"
             "BEGIN ELEMENT NAME=\"Q3\"\nEND");
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("Q1"));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("Q2"));
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("Q3"));
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 2);
    auto q1 = s->ELEMENTS()->Item(1);
    EXPECT_EQ(q1->SORT(), "ELEMENT");
    EXPECT_EQ(errorsOf(q1), QStringList({ "Der Wert 'xyz' wurde nicht erkannt!" }));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(2)), QStringList({ "Die Zeile 'DESCRIPTION=\"d\" $' enthält ungültige Zeichen: $" }));
}
