#include "support/Engine.h"

#include <vorn/vorn.h>

using namespace vorn;
using support::names;

namespace {

Ref<cls_VornAttributes> bag(std::initializer_list<std::pair<const char*, Variant>> pairs)
{
    auto b = cls_VornAttributes::create();
    for (const auto& [name, value] : pairs)
        b->setVALUE(QString::fromUtf8(name), value);
    return b;
}

} // namespace

// What the bag shares with the value list is in BagTest, bad packages in PersistenceTest.
TEST(AttributesTest, NamesAreUpperCasedDefaultsKeepTheirObject)
{
    auto b = bag({ { "Name", 5 } });
    // NAME put upper-cases, checks no duplicates and ignores bad positions.
    b->setVALUE(QStringLiteral("other"), 1);
    b->setNAME(2, QStringLiteral("name"));
    b->setNAME(3, QStringLiteral("X"));
    b->setNAME(0, QStringLiteral("X"));
    EXPECT_EQ(names(*b), QStringLiteral("NAME,NAME"));
    EXPECT_EQ(b->VALUE(QStringLiteral("name")), Variant(5)); // first match

    auto marker = CoreList::create();
    EXPECT_EQ(b->VALUE(QStringLiteral("nothing"), Ref<Object>(marker)).object(), marker);
    auto empty = cls_VornAttributes::create();
    empty->PACKAGE();
    EXPECT_EQ(empty->CAPACITY(), 0);
    empty->setVALUE(QStringLiteral("A"), 1);
    EXPECT_EQ(empty->CAPACITY(), 11);
}

TEST(AttributesTest, ValueEncodedFollowsTheDefinition)
{
    auto b = bag({ { "n", 5 }, { "t", "x" }, { "arr", VariantArray{ 1, 2 } } });
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("N"), {}), Variant(5));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), {}), Variant(""));

    auto def = cls_VornAttributeDef::create();
    def->setDEFAULT(42);
    for (qint32 type : { 70, 71, 80, 81 }) {
        def->setSORT(type);
        EXPECT_EQ(b->VALUEENCODED(QStringLiteral("n"), def), Variant(5)) << type;
        EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), def), Variant(42)) << type;
        EXPECT_TRUE(b->VALUEENCODED(QStringLiteral("arr"), def).isArray()) << type;
    }
    def->setSORT(TypeAtomic);
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("N"), def), Variant("5"));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("T"), def), Variant("\"x\""));
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("missing"), def), Variant("42"));
    def->setSORT(TypeString);
    EXPECT_EQ(b->VALUEENCODED(1, def), Variant("\"5\""));
    def->setSORT(TypeLong);
    EXPECT_EQ(b->VALUEENCODED(QStringLiteral("T"), def), Variant("\"x\"")); // no LONG form: own kind
}

// A bag keeps its values in a form of its own: every kind must come back exactly, and a text
// must stay the caller's own after the bag copies, changes or drops it.
TEST(AttributesTest, AValueOfEveryKindComesBackAsItWasPut)
{
    const QDateTime date = dateFromDays(45000.25);
    QString shared = QStringLiteral("geteilter Text ü").repeated(2);
    QString inner = QString::fromUtf8("vorneweg:Kern");
    inner.remove(0, 9); // characters that do not start their block
    const QString raw = QString::fromRawData(reinterpret_cast<const QChar*>(u"roh"), 3);
    auto list = CoreList::create();
    const std::vector<Variant> values{ Variant(),
                                       Variant::missing(),
                                       Variant(-7),
                                       Variant(2.5),
                                       Variant(true),
                                       Variant(date),
                                       Variant(shared),
                                       Variant(inner),
                                       Variant(raw),
                                       Variant(QString()),
                                       Variant(""),
                                       Variant(Ref<Object>(list)),
                                       Variant(VariantArray{ 1, "a" }) };
    auto b = cls_VornAttributes::create();
    for (size_t i = 0; i < values.size(); ++i)
        b->setVALUE(QStringLiteral("V%1").arg(i), values[i]);
    auto copy = cls_VornAttributes::create();
    copy->COPY(*b);
    shared[0] = u'X'; // the caller's text changes alone
    for (const auto& bagHeld : { b, copy }) {
        for (qint32 i = 1; i <= qint32(values.size()); ++i) {
            const Variant& want = values[size_t(i - 1)];
            const Variant got = bagHeld->valueAt(i);
            EXPECT_EQ(got.kind(), want.kind()) << i;
            EXPECT_EQ(bagHeld->kindAt(i), want.kind()) << i;
            if (want.isText()) {
                EXPECT_EQ(got.text(), want.text()) << i;
                EXPECT_EQ(got.text().isNull(), want.text().isNull()) << i;
                EXPECT_EQ(bagHeld->textAt(i), want.text()) << i;
            } else if (!want.isMissing()) {
                EXPECT_EQ(got, want) << i;
            }
        }
    }
    EXPECT_EQ(b->valueAt(12).object(), list);
    EXPECT_EQ(b->VALUE(QStringLiteral("v7")).text(), QStringLiteral("Kern"));

    // Replaced and removed values leave the others and the copy untouched; a copy onto a bag
    // replaces all it held.
    b->setVALUE(QStringLiteral("V6"), 1);
    b->REMOVE(QStringLiteral("V0"), false);
    b->REMOVE(2, true);
    EXPECT_EQ(copy->VALUE(QStringLiteral("V6")).text(), QStringLiteral("geteilter Text ügeteilter Text ü"));
    EXPECT_EQ(b->VALUE(QStringLiteral("V6")), Variant(1));
    EXPECT_EQ(b->valueAt(1).array().size(), 2u); // moved into the gap of V0
    EXPECT_EQ(b->COUNT(), qint32(values.size()) - 2);
    auto other = cls_VornAttributes::create();
    other->setVALUE(QStringLiteral("ONLY"), QStringLiteral("allein"));
    other->DATA().COPY(*copy);
    EXPECT_EQ(other->COUNT(), qint32(values.size()));
    EXPECT_EQ(other->textAt(8), QStringLiteral("Kern"));
}

// Checked bags of one type share one list of names: a change of names in one bag, by any
// way there is, must leave every other bag as it was.
TEST(AttributesTest, BagsOfOneTypeShareTheirNamesUntilOneChanges)
{
    auto s = support::fixture();
    auto errors = CoreList::create();
    ASSERT_TRUE(s->PARSE(QStringLiteral("T B=1\nT B=2\nT B=3\nT B=4\nT B=5\nT B=6"), errors));
    std::vector<Ref<cls_VornAttributes>> bags;
    for (qint32 i = 1; i <= 6; ++i)
        bags.push_back(s->ELEMENTS()->Item(i)->ATTRIBUTES());
    for (const auto& b : bags)
        EXPECT_TRUE(b->sharesNamesWith(*bags[0]));

    bags[0]->setNAME(1, QStringLiteral("x"));
    bags[1]->REMOVE(QStringLiteral("A"), false);
    bags[2]->setVALUE(QStringLiteral("new"), 1);
    bags[3]->COPY(*bags[4]);
    EXPECT_TRUE(bags[3]->sharesNamesWith(*bags[4]));
    bags[3]->REMOVE(1, true);
    bags[4]->setPACKAGE(bags[1]->PACKAGE());
    bags[5]->clear();

    EXPECT_EQ(names(*bags[0]), QStringLiteral("X,B,C"));
    EXPECT_EQ(names(*bags[1]), QStringLiteral("C,B"));
    EXPECT_EQ(names(*bags[2]), QStringLiteral("A,B,C,NEW"));
    EXPECT_EQ(names(*bags[3]), QStringLiteral("B,C"));
    EXPECT_EQ(names(*bags[4]), QStringLiteral("C,B"));
    EXPECT_EQ(bags[4]->VALUE(QStringLiteral("B")), Variant(2));
    EXPECT_EQ(bags[5]->COUNT(), 0);
    ASSERT_TRUE(s->PARSE(QStringLiteral("T B=7"), errors));
    const auto& read = *s->ELEMENTS()->Item(7)->ATTRIBUTES();
    EXPECT_EQ(names(read), QStringLiteral("A,B,C"));
    EXPECT_EQ(read.VALUE(2), Variant(7));

    // Bags left as read (a type no definition checks) share the names their lines repeat.
    s->PARSE(QStringLiteral("U X=1, Y=2\nU X=3, Y=4\nU Y=5, X=6"), errors);
    const auto u = [&s](qint32 i) { return s->ELEMENTS()->Item(7 + i)->ATTRIBUTES(); };
    EXPECT_TRUE(u(1)->sharesNamesWith(*u(2)));
    u(1)->setNAME(2, QStringLiteral("z"));
    EXPECT_EQ(names(*u(1)), QStringLiteral("X,Z"));
    EXPECT_EQ(names(*u(2)), QStringLiteral("X,Y"));
    EXPECT_EQ(names(*u(3)), QStringLiteral("Y,X"));
    EXPECT_EQ(u(2)->VALUE(QStringLiteral("Y")).toText(), QStringLiteral("4"));
}

// Bags checked where they stand (values in the definition's order) and bags rebuilt end up
// alike: named by the definition's one list, trimmed to their count.
TEST(AttributesTest, BagsCheckedInPlaceAndRebuiltAreAlike)
{
    auto s = support::fixture();
    auto errors = CoreList::create();
    ASSERT_TRUE(s->PARSE(QStringLiteral("BOX \"a\", 1\nTYPES S=1\nBOX ID=\"b\", N=2\nBOX N=3, ID=\"c\""), errors));
    const auto bag = [&s](qint32 i) { return s->ELEMENTS()->Item(i)->ATTRIBUTES(); };
    for (qint32 i : { 1, 3, 4 }) {
        EXPECT_TRUE(bag(i)->sharesNamesWith(*bag(1))) << i;
        EXPECT_EQ(names(*bag(i)), QStringLiteral("ID,N")) << i;
        EXPECT_EQ(bag(i)->CAPACITY(), 2) << i;
    }
    EXPECT_EQ(s->ELEMENTS()->Item(1)->ID(), QStringLiteral("a"));
    EXPECT_EQ(s->ELEMENTS()->Item(4)->ID(), QStringLiteral("c"));
    EXPECT_EQ(bag(1)->placeAt(1).value, bag(1)->placeAt(1).name); // the positional value is its own name
}

// A parsed element holds its values itself until its bag is asked for; copies, packages,
// records and swaps carry them either way, and the bag then holds them with their places.
TEST(AttributesTest, AnElementHoldsItsValuesUntilItsBagIsAskedFor)
{
    auto s = support::fixture();
    auto errors = CoreList::create();
    ASSERT_TRUE(s->PARSE(QStringLiteral("BOX ID=\"a\", N=1\nBOX ID=\"b\", N=\"two\""), errors));
    const auto a = s->ELEMENTS()->Item(1), b = s->ELEMENTS()->Item(2);
    EXPECT_FALSE(a->attributesIfAny());
    EXPECT_TRUE(a->hasAttributes());
    const SourceSpan span = a->VALUESPAN(QStringLiteral("N"));
    EXPECT_EQ(span.column, 15);

    auto copy = cls_VornElement::create();
    copy->DATA().COPY(*a);
    auto unpacked = cls_VornElement::create();
    unpacked->DATA().setPACKAGE(a->DATA().PACKAGE());
    EXPECT_TRUE(a->ATTRIBUTELIST().endsWith(QStringLiteral("1)")));
    EXPECT_EQ(copy->ATTRIBUTELIST(), a->ATTRIBUTELIST());
    EXPECT_EQ(unpacked->ATTRIBUTELIST(), a->ATTRIBUTELIST());
    EXPECT_FALSE(copy->attributesIfAny() || unpacked->attributesIfAny());

    // One with a bag and one without trade their values; each bag stays with its element.
    const Ref<cls_VornAttributes> bagOfA = a->ATTRIBUTES();
    a->swapContents(*b);
    EXPECT_EQ(a->ATTRIBUTES(), bagOfA);
    EXPECT_EQ(bagOfA->VALUE(QStringLiteral("N")).toText(), QStringLiteral("two"));
    EXPECT_FALSE(b->attributesIfAny());
    EXPECT_EQ(b->attributeValues().VALUE(QStringLiteral("N")), Variant(1.0));
    EXPECT_EQ(b->VALUESPAN(QStringLiteral("N")), span);
    const Ref<cls_VornAttributes> made = b->ATTRIBUTES();
    EXPECT_EQ(made->VALUE(QStringLiteral("N")), Variant(1.0));
    EXPECT_EQ(b->VALUESPAN(QStringLiteral("N")), span);
    EXPECT_EQ(b->attributeValues().COUNT(), made->COUNT());
    b->setATTRIBUTES(nullptr);
    EXPECT_EQ(b->ATTRIBUTES()->COUNT(), 0);
}

// Values an element holds count as a bag for copies, packages and swaps: what a bag made in
// their place would have done, they do too.
TEST(AttributesTest, HeldValuesCountAsABag)
{
    auto s = support::fixture();
    auto errors = CoreList::create();
    ASSERT_TRUE(s->PARSE(QStringLiteral("BOX\nBOX N=1"), errors));
    const auto read = s->ELEMENTS()->Item(1), other = s->ELEMENTS()->Item(2);
    const qint32 readCount = read->attributeValues().COUNT();
    auto fresh = cls_VornElement::create();
    auto copy = cls_VornElement::create();
    copy->DATA().COPY(*read); // a read element without values copies as one with an empty bag
    EXPECT_EQ(copy->ATTRIBUTES()->CAPACITY(), read->ATTRIBUTES()->CAPACITY());
    auto untouched = cls_VornElement::create();
    untouched->DATA().COPY(*fresh);
    EXPECT_EQ(untouched->ATTRIBUTES()->CAPACITY(), cls_VornAttributes::create()->CAPACITY());

    // A bag beside none moves over; beside values held, each keeps its own.
    const Ref<cls_VornAttributes> bag = read->ATTRIBUTES();
    read->swapContents(*fresh);
    EXPECT_EQ(fresh->ATTRIBUTES(), bag);
    EXPECT_NE(read->ATTRIBUTES(), bag);
    fresh->swapContents(*other);
    EXPECT_EQ(fresh->ATTRIBUTES(), bag);
    EXPECT_EQ(bag->VALUE(QStringLiteral("N")), Variant(1.0));
    EXPECT_FALSE(other->attributesIfAny());
    EXPECT_EQ(other->attributeValues().COUNT(), readCount);
}
