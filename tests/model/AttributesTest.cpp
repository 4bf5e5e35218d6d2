#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace vorn;

namespace {

const QString A = QStringLiteral("A"), B = QStringLiteral("B"), C = QStringLiteral("C");

Ref<cls_VornAttributes> bag(std::initializer_list<std::pair<const char*, Variant>> pairs)
{
    auto b = cls_VornAttributes::create();
    for (const auto& [name, value] : pairs)
        b->setVALUE(QString::fromUtf8(name), value);
    return b;
}

QString names(cls_VornAttributes& b)
{
    QStringList out;
    for (qint32 i = 1; i <= b.COUNT(); ++i)
        out << b.NAME(i);
    return out.join(QLatin1Char(','));
}

} // namespace

TEST(AttributesTest, NamesAreUpperCasedAndLookedUpIgnoringCase)
{
    auto b = cls_VornAttributes::create();
    b->setVALUE(QStringLiteral("Name"), 5);
    EXPECT_EQ(b->VALUE(QStringLiteral("NAME")), Variant(5));
    EXPECT_EQ(b->VALUE(QStringLiteral("name")), Variant(5));
    EXPECT_EQ(b->NAME(1), QStringLiteral("NAME"));
    EXPECT_EQ(b->FIND(QStringLiteral("nAmE")), 1);
    EXPECT_TRUE(b->EXISTS(QStringLiteral("name")));
    EXPECT_FALSE(b->EXISTS(QStringLiteral(" name"))); // not trimmed

    b->setVALUE(QStringLiteral("NAME"), QStringLiteral("replaced"));
    EXPECT_EQ(b->COUNT(), 1);
    EXPECT_EQ(b->VALUE(1), Variant("replaced"));

    // NAME put upper-cases, checks no duplicates and ignores bad positions.
    b->setVALUE(QStringLiteral("other"), 1);
    b->setNAME(2, QStringLiteral("name"));
    b->setNAME(3, QStringLiteral("X"));
    b->setNAME(0, QStringLiteral("X"));
    EXPECT_EQ(names(*b), QStringLiteral("NAME,NAME"));
    EXPECT_EQ(b->VALUE(QStringLiteral("name")), Variant("replaced")); // first match
    EXPECT_EQ(b->NAME(0), QString());
    EXPECT_EQ(b->NAME(3), QString());
}

TEST(AttributesTest, TextsAreNamesAndOtherValuesArePositions)
{
    auto b = bag({ { "x", 1 }, { "2", "named two" }, { "z", 3 } });
    EXPECT_EQ(b->VALUE(2), Variant("named two"));
    EXPECT_EQ(b->VALUE(QStringLiteral("2")), Variant("named two"));
    EXPECT_EQ(b->VALUE(QStringLiteral("3")), Variant("")); // no pair named "3"
    EXPECT_EQ(b->VALUE(3), Variant(3));
    EXPECT_EQ(b->VALUE(2.5), Variant("named two")); // halves to even
    EXPECT_EQ(b->VALUE(3.4), Variant(3));
    EXPECT_EQ(b->VALUE(0, 9), Variant(9));
    EXPECT_EQ(b->VALUE(4, 9), Variant(9));

    // The default: "" without one, the same object with one.
    const Variant missing = b->VALUE(QStringLiteral("nothing"));
    EXPECT_TRUE(missing.isText() && missing.text().isEmpty());
    auto marker = CoreList::create();
    EXPECT_EQ(b->VALUE(QStringLiteral("nothing"), Ref<Object>(marker)).object(), marker);

    // A position outside 1..COUNT puts nothing; a number-like text adds a pair.
    b->setVALUE(7, 70);
    EXPECT_EQ(b->COUNT(), 3);
    b->setVALUE(3, 30);
    EXPECT_EQ(b->VALUE(QStringLiteral("Z")), Variant(30));
    b->setVALUE(QStringLiteral("7"), 70);
    EXPECT_EQ(b->COUNT(), 4);
    EXPECT_EQ(b->NAME(4), QStringLiteral("7"));
}

TEST(AttributesTest, RemoveWithAndWithoutKeepingOrder)
{
    auto unordered = bag({ { "x", 1 }, { "y", 2 }, { "z", 3 } });
    EXPECT_TRUE(unordered->REMOVE(QStringLiteral("x"), false));
    EXPECT_EQ(names(*unordered), QStringLiteral("Z,Y"));
    EXPECT_EQ(unordered->VALUE(1), Variant(3));

    auto ordered = bag({ { "x", 1 }, { "y", 2 }, { "z", 3 } });
    EXPECT_TRUE(ordered->REMOVE(QStringLiteral("X"), true));
    EXPECT_EQ(names(*ordered), QStringLiteral("Y,Z"));

    auto last = bag({ { "x", 1 }, { "y", 2 } });
    EXPECT_TRUE(last->REMOVE(2, false));
    EXPECT_EQ(names(*last), QStringLiteral("X"));
    EXPECT_FALSE(last->REMOVE(2, true));
    EXPECT_FALSE(last->REMOVE(QStringLiteral("1"), true)); // a name, not a position
    EXPECT_FALSE(last->REMOVE(QStringLiteral("nothing"), false));
    EXPECT_TRUE(last->REMOVE(1.0, true));
    EXPECT_EQ(last->COUNT(), 0);
    EXPECT_FALSE(last->REMOVE(1, true));
}

TEST(AttributesTest, CapacityGrowsByTenAndPackingTrimsIt)
{
    auto b = cls_VornAttributes::create();
    EXPECT_EQ(b->CAPACITY(), 10);
    for (int i = 1; i <= 10; ++i)
        b->setVALUE(QStringLiteral("A%1").arg(i), i);
    EXPECT_EQ(b->CAPACITY(), 10);
    b->setVALUE(QStringLiteral("A11"), 11);
    EXPECT_EQ(b->CAPACITY(), 21);
    b->setVALUE(QStringLiteral("A1"), 0); // replacing does not grow
    EXPECT_EQ(b->CAPACITY(), 21);

    const QString package = b->PACKAGE();
    EXPECT_EQ(b->CAPACITY(), 11);
    b->setVALUE(QStringLiteral("A12"), 12);
    EXPECT_EQ(b->CAPACITY(), 22);

    auto other = cls_VornAttributes::create();
    other->DATA().setPACKAGE(package);
    EXPECT_EQ(other->CAPACITY(), 11);
    EXPECT_EQ(other->COUNT(), 11);
    other->REMOVE(1, true);
    EXPECT_EQ(other->CAPACITY(), 11); // removing never shrinks

    auto copy = cls_VornAttributes::create();
    copy->COPY(*other);
    EXPECT_EQ(copy->CAPACITY(), 10);
    auto empty = cls_VornAttributes::create();
    empty->PACKAGE();
    EXPECT_EQ(empty->CAPACITY(), 0);
    empty->setVALUE(A, 1);
    EXPECT_EQ(empty->CAPACITY(), 11);
}

TEST(AttributesTest, MalformedPackageLeavesTheBagAsItWas)
{
    auto b = bag({ { "x", 1 }, { "y", "two" } });
    const QString before = b->DATA().PACKAGE();
    const QString bad[] = {
        before.left(before.size() - 1),
        Package::PACK({ 1, VariantArray{ Variant(), "A" } }),                                   // two values
        Package::PACK({ 2, VariantArray{ Variant(), "A" }, VariantArray{ Variant(), 1 } }),      // count too big
        Package::PACK({ -1, VariantArray{}, VariantArray{} }),
        Package::PACK({ 1, VariantArray{ Variant(), VariantArray{} }, VariantArray{ Variant(), 1 } }), // name no text
        Package::PACK({ 1, "names", VariantArray{ Variant(), 1 } }),
    };
    for (const QString& text : bad) {
        EXPECT_THROW(b->DATA().setPACKAGE(text), Error);
        EXPECT_EQ(b->DATA().PACKAGE(), before);
    }
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
