#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <random>

using namespace vorn;

namespace {

std::string str(const QString& s) { return s.toStdString(); }

const QString ElementClass = QStringLiteral("LmVornScript.cls_VornElement");

QString n(qsizetype v) { return QString::number(v); }

// An object value as the codec writes it.
QString objectText(const QString& identity, const QString& package)
{
    return QLatin1Char('O') + n(identity.size()) + QLatin1Char(':') + identity + n(package.size()) + QLatin1Char(':')
        + package;
}

// The package of an element nested `depth` levels deep in its own children, written as text so
// that no depth limit of the writer applies. Assembled in one pass (prefixes, leaf, suffixes).
QString nestedElementPackage(int depth)
{
    const QString leaf = cls_VornElement::create()->DATA().PACKAGE();
    const QString attributes = cls_VornAttributes::create()->PACKAGE();
    const QString suffix = QStringLiteral("S0:S0:S0:S0:S0:FFFFFL0;L0;L0;L0;L0;");
    std::vector<QString> prefixes;
    qsizetype inner = leaf.size();
    for (int i = 0; i < depth; ++i) {
        const QString children = QStringLiteral("VP1A2:EA2:EO") + n(ElementClass.size()) + QLatin1Char(':')
            + ElementClass + n(inner) + QLatin1Char(':');
        const qsizetype childrenSize = children.size() + inner;
        const QString element = QStringLiteral("VP1A19:ES0:S") + n(attributes.size()) + QLatin1Char(':') + attributes
            + QLatin1Char('S') + n(childrenSize) + QLatin1Char(':');
        prefixes.push_back(element + children);
        inner = element.size() + childrenSize + suffix.size();
    }
    QString out;
    out.reserve(inner);
    for (auto p = prefixes.rbegin(); p != prefixes.rend(); ++p)
        out += *p;
    out += leaf;
    for (int i = 0; i < depth; ++i)
        out += suffix;
    return out;
}

// A chain of `depth` elements without keys, each the only child of the one before.
Ref<cls_VornElement> chain(int depth)
{
    auto top = cls_VornElement::create();
    auto e = top;
    for (int i = 1; i < depth; ++i)
        e = e->ELEMENTS()->CREATE();
    return top;
}

void expectSame(const Variant& got, const Variant& expected)
{
    ASSERT_EQ(got.kind(), expected.kind());
    if (expected.isArray()) {
        ASSERT_EQ(got.array().size(), expected.array().size());
        for (size_t i = 0; i < got.array().size(); ++i)
            expectSame(got.array()[i], expected.array()[i]);
    } else if (expected.isObject() && expected.object()) {
        ASSERT_TRUE(got.object());
        EXPECT_NE(got.object(), expected.object()) << "objects come back as new objects";
        // Unpacking turns Empty keys into texts, so compare with the source brought through once.
        auto& b = dynamic_cast<DataEvents&>(*expected.object());
        auto again = std::dynamic_pointer_cast<DataEvents>(b.DATA().SPAWN());
        again->DATA().setPACKAGE(b.DATA().PACKAGE());
        EXPECT_EQ(str(dynamic_cast<DataEvents&>(*got.object()).DATA().PACKAGE()), str(again->DATA().PACKAGE()));
    } else if (!expected.isObject()) {
        EXPECT_EQ(got, expected); // texts compare exactly
    }
}

} // namespace

// The package of every kind of plain value is in data/types/values.expected; here objects, which
// come back as new objects of their class, and a long text.
TEST(PackageTest, ObjectsAndLongTextsRoundTrip)
{
    auto list = CoreList::create();
    list->ADD(QStringLiteral("a"));
    auto element = cls_VornElement::create();
    element->setID(QStringLiteral("E"));
    element->ATTRIBUTES()->setVALUE(QStringLiteral("X"), 5);
    element->ELEMENTS()->CREATE(QStringLiteral("CHILD"));

    const VariantArray values{ Ref<Object>(list), Ref<Object>(element), VariantArray{ Ref<Object>(element), 2.5 },
                               QString(5000, QLatin1Char('y')) };
    const VariantArray got = Package::UNPACK(Package::PACK(values), qsizetype(values.size()));
    ASSERT_EQ(got.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        expectSame(got[i], values[i]);
    }
    auto child = std::dynamic_pointer_cast<cls_VornElement>(got[1].object());
    ASSERT_TRUE(child);
    EXPECT_EQ(child->ID(), QStringLiteral("E"));
    ASSERT_TRUE(child->ELEMENTS()->Item(QStringLiteral("CHILD")));
}

// Packing a tree makes no child list or bag for its leaves, and packs them as empty ones.
TEST(PackageTest, ListsNotMadeYetPackAsEmptyOnes)
{
    auto untouched = cls_VornElement::create();
    untouched->setID(QStringLiteral("E"));
    auto touched = cls_VornElement::create();
    touched->setID(QStringLiteral("E"));
    touched->ELEMENTS();
    touched->ATTRIBUTES();
    EXPECT_EQ(str(untouched->DATA().PACKAGE()), str(touched->DATA().PACKAGE()));
    EXPECT_FALSE(untouched->elementsIfAny());
    EXPECT_FALSE(untouched->attributesIfAny());
}

TEST(PackageTest, TypedTargetsConvertAndCountMustMatch)
{
    const QString p = Package::PACK({ "12", 2.5, true, Variant(), VariantArray{ 1 } });
    qint32 a = 0, b = 0;
    QString c;
    bool d = true;
    VariantArray e;
    Package::UNPACK(p, a, b, c, d, e);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 2); // half to even
    EXPECT_EQ(c, QStringLiteral("True"));
    EXPECT_FALSE(d);
    EXPECT_EQ(e.size(), 1u);

    EXPECT_THROW(Package::UNPACK(p, 4), Error);
    EXPECT_THROW(Package::UNPACK(p, 6), Error);
    QString t;
    EXPECT_THROW(Package::UNPACK(Package::PACK({ VariantArray{} }), t), Error);
    EXPECT_THROW(Package::UNPACK(Package::PACK({ 1e12 }), a), Error);
}

TEST(PackageTest, MalformedPackagesRaiseError)
{
    const char* const wrongShape[] = { "", "VP", "VP2A0:", "VP1", "VP1E", "VP1A", "VP1A1", "VP1A:E", "VP1A-1:E",
                                       "VP1A1:", "VP1A1:X", "VP1A1:S5:ab", "VP1A1:S:", "VP1A1:L12",
                                       "VP1A1:L99999999999;", "VP1A1:L1x;", "VP1A1:D1.5.5;", "VP1A1:D;", "VP1A1:W12a;",
                                       "VP1A1:EE", "VP1A0:trailing", "VP1A2:E",
                                       // Absurd lengths and counts.
                                       "VP1A2147483647:E", "VP1A99999999999999999999999999:E",
                                       "VP1A1:S18446744073709551617:x", "VP1A1:A999999:E" };
    QStringList bad(std::begin(wrongShape), std::end(wrongShape));
    bad << QStringLiteral("VP1A1:L") + QString(100, QLatin1Char('1')) + QLatin1Char(';');
    // Objects: unknown class, not a package, wrong number of values, wrong class in a list.
    bad << QStringLiteral("VP1A1:") + objectText(QStringLiteral("LmVornScript.cls_Nothing"), QStringLiteral("VP1A0:"))
        << QStringLiteral("VP1A1:") + objectText(ElementClass, QStringLiteral("junk"))
        << QStringLiteral("VP1A1:") + objectText(ElementClass, QStringLiteral("VP1A0:"))
        << QStringLiteral("VP1A1:O999:") + ElementClass;
    for (const QString& text : bad)
        EXPECT_THROW(Package::UNPACK(text, 1), Error) << text.left(60).toStdString();

    auto defs = cls_VornElementDefs::create();
    const QString wrongClass = QStringLiteral("VP1A2:EA2:E")
        + objectText(ElementClass, cls_VornElement::create()->DATA().PACKAGE());
    EXPECT_THROW(defs->DATA().setPACKAGE(wrongClass), Error);
    EXPECT_EQ(defs->COUNT(), 0);

    // Randomly damaged packages raise Error or unpack, never crash.
    auto top = chain(3);
    top->ATTRIBUTES()->setVALUE(QStringLiteral("A"), VariantArray{ 1, "two", 3.5, QDateTime::currentDateTimeUtc() });
    top->ELEMENTS()->Item(1)->ATTRIBUTES()->setVALUE(QStringLiteral("B"), Ref<Object>(CoreList::create()));
    const QString good = top->DATA().PACKAGE();
    std::mt19937 random(7);
    const QString alphabet = QStringLiteral("0123456789:;AEFLMNOSTWDV-.x");
    for (int round = 0; round < 2000; ++round) {
        QString damaged = good;
        for (int k = 0; k <= round % 3; ++k)
            damaged[qsizetype(random() % damaged.size())] = alphabet[qsizetype(random() % alphabet.size())];
        try {
            cls_VornElement::create()->DATA().setPACKAGE(damaged);
        } catch (const Error&) {
        }
    }
}

TEST(PackageTest, DeepNestingRaisesErrorInsteadOfCrashing)
{
    // Arrays nested inside one package.
    QString arrays = QStringLiteral("VP1A1:");
    for (int i = 0; i < 100000; ++i)
        arrays += QStringLiteral("A1:");
    arrays += QLatin1Char('E');
    EXPECT_THROW(Package::UNPACK(arrays, 1), Error);

    Variant deep; // a little deeper than the codec nests (destroying it recurses, too)
    for (int i = 0; i < NestingGuard::MaxDepth + 10; ++i) {
        VariantArray outer(1);
        outer[0] = std::move(deep);
        deep = std::move(outer);
    }
    EXPECT_THROW(Package::PACK({ deep }), Error);

    // Packages nested inside packages, through element children.
    EXPECT_EQ(str(nestedElementPackage(2)), str(chain(3)->DATA().PACKAGE()));
    auto shallow = cls_VornElement::create();
    shallow->DATA().setPACKAGE(nestedElementPackage(400));
    EXPECT_EQ(shallow->ELEMENTS()->COUNT(true), 400);
    auto packed = cls_VornElement::create();
    packed->DATA().setPACKAGE(chain(400)->DATA().PACKAGE());
    EXPECT_EQ(packed->ELEMENTS()->COUNT(true), 399);
    auto e = cls_VornElement::create();
    EXPECT_THROW(e->DATA().setPACKAGE(nestedElementPackage(600)), Error);
    EXPECT_EQ(e->ELEMENTS()->COUNT(true), 0);

    // Packing an element that holds itself (a chain deeper than the codec nests is in DeepTreeTest).
    auto self = cls_VornElement::create();
    self->ATTRIBUTES()->setVALUE(QStringLiteral("SELF"), self);
    EXPECT_THROW(self->DATA().PACKAGE(), Error);
    self->ATTRIBUTES()->REMOVE(QStringLiteral("SELF"), true); // breaks the cycle
}

// ---- CoreList ----

TEST(CoreListTest, Operations)
{
    auto l = CoreList::create();
    auto joined = [&] { return l->JOIN({}, QStringLiteral(","), {}); };
    for (const char* item : { "a", "B", "a" })
        l->ADD(QString::fromUtf8(item));
    EXPECT_EQ(l->COUNT(), 3);
    EXPECT_EQ(l->ITEM(2), QStringLiteral("B"));
    EXPECT_EQ(l->ITEM(0), QString());
    EXPECT_EQ(l->ITEM(4), QString());
    EXPECT_TRUE(l->EXISTS(QStringLiteral("b")));
    EXPECT_FALSE(l->EXISTS(QStringLiteral("b ")));
    EXPECT_EQ(l->JOIN(QStringLiteral("["), QStringLiteral(", "), QStringLiteral("]")), QStringLiteral("[a, B, a]"));

    l->setITEM(2, QStringLiteral("c"));
    l->setITEM(9, QStringLiteral("z"));
    EXPECT_EQ(joined(), QStringLiteral("a,c,a"));
    l->REMOVEVALUE(QStringLiteral("A")); // first match only, case ignored
    EXPECT_EQ(joined(), QStringLiteral("c,a"));
    l->INSERT(QStringLiteral("new"), 1);
    l->INSERT(QStringLiteral("newer"), 0);
    EXPECT_EQ(joined(), QStringLiteral("newer,new,c,a"));
    EXPECT_FALSE(l->REMOVEAT(0));
    EXPECT_FALSE(l->REMOVEAT(5));
    EXPECT_TRUE(l->REMOVEAT(1));
    l->CUT(10);
    EXPECT_EQ(joined(), QStringLiteral("new,c,a"));
    l->CUT(2);
    EXPECT_EQ(joined(), QStringLiteral("new,c"));
    l->SPLIT(QStringLiteral("x\ry\r\rz"), QStringLiteral("\r"));
    EXPECT_EQ(joined(), QStringLiteral("x,y,,z"));
    l->CLEAR();
    EXPECT_EQ(l->JOIN(QStringLiteral("("), QStringLiteral(","), QStringLiteral(")")), QStringLiteral("()"));
}
