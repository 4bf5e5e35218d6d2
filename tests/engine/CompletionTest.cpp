#include <vorn/Structure.h>

#include <gtest/gtest.h>

using namespace vorn;

namespace {

Ref<cls_VornElement> add(const Ref<cls_VornElements>& list, const QString& sort, qint32 uid = 0)
{
    Ref<cls_VornElement> e = list->CREATE();
    e->setSORT(sort);
    e->setUID(uid);
    return e;
}

QStringList names(const Ref<cls_VornElement>& e)
{
    QStringList out;
    for (qint32 i = 1; i <= e->ATTRIBUTES()->COUNT(); ++i)
        out << e->ATTRIBUTES()->NAME(i);
    return out;
}

} // namespace

TEST(CompletionTest, CheckIdsNumbersDepthFirstAfterUidLast)
{
    auto s = cls_VornStructure::create();
    s->setUIDLAST(40);
    auto a = add(s->ELEMENTS(), "A");
    auto a1 = add(a->ELEMENTS(), "A1");
    auto a11 = add(a1->ELEMENTS(), "A11");
    auto a2 = add(a->ELEMENTS(), "A2", 7);
    auto b = add(s->ELEMENTS(), "B");
    s->CHECKIDS();
    EXPECT_EQ(QList<qint32>({ a->UID(), a1->UID(), a11->UID(), a2->UID(), b->UID() }), QList<qint32>({ 41, 42, 43, 7, 44 }));
    s->CHECKIDS();
    EXPECT_EQ(s->UIDLAST(), 44);

    // From an element: its subtree only.
    auto c = add(s->ELEMENTS(), "C");
    add(c->ELEMENTS(), "C1");
    s->CHECKIDS(c);
    EXPECT_EQ(c->UID(), 0);
    EXPECT_EQ(c->ELEMENTS()->Item(1)->UID(), 45);
}

// POINT has optional X (default 0), COLOR (default "") and NAME (default "n") and a required R
// (default 1); below SHAPE it is declared again with X defaulting to 5.
TEST(CompletionTest, CheckDefaultsRemovesOnlyOptionalValuesEqualToTheirDefault)
{
    auto s = cls_VornStructure::create();
    auto point = s->DEFINITIONS()->CREATE("POINT");
    point->PARENTSALLOWED()->ADD("NONE");
    point->ATTRIBUTES()->CREATE("X", TypeLong, 0);
    point->ATTRIBUTES()->CREATE("COLOR", TypeString, QString());
    point->ATTRIBUTES()->CREATE("NAME", TypeString, "n");
    point->ATTRIBUTES()->CREATE("R", TypeLong, 1, true);
    auto inShape = s->DEFINITIONS()->CREATE("POINT");
    inShape->PARENTSALLOWED()->ADD("SHAPE");
    inShape->ATTRIBUTES()->CREATE("X", TypeLong, 5);

    auto fill = [](const Ref<cls_VornElement>& e, const Variant& x) {
        e->ATTRIBUTES()->setVALUE("COLOR", "");
        e->ATTRIBUTES()->setVALUE("X", x);      // right after another default: examined again
        e->ATTRIBUTES()->setVALUE("R", 1);      // required
        e->ATTRIBUTES()->setVALUE("NAME", "N"); // differs in letter case
        e->ATTRIBUTES()->setVALUE("EXTRA", ""); // not declared
    };
    auto top = add(s->ELEMENTS(), "POINT");
    fill(top, Variant()); // empty equals 0
    auto shape = add(s->ELEMENTS(), "SHAPE"); // no definition, children still examined
    shape->ATTRIBUTES()->setVALUE("X", 0);
    auto inner = add(shape->ELEMENTS(), "POINT");
    fill(inner, 5);
    auto nested = add(inner->ELEMENTS(), "POINT"); // parent POINT fits neither: the first definition
    nested->ATTRIBUTES()->setVALUE("X", "0");      // a text never equals a number
    nested->ATTRIBUTES()->setVALUE("COLOR", 0);

    s->CHECKDEFAULTS();
    EXPECT_EQ(names(top), QStringList({ "R", "NAME", "EXTRA" }));
    EXPECT_EQ(names(shape), QStringList({ "X" }));
    EXPECT_EQ(names(inner), QStringList({ "COLOR", "R", "NAME", "EXTRA" }));
    EXPECT_EQ(names(nested), QStringList({ "X", "COLOR" }));

    // From one element with a given parent.
    auto alone = add(s->ELEMENTS(), "POINT");
    alone->ATTRIBUTES()->setVALUE("X", 5);
    s->CHECKDEFAULTS(alone, shape);
    EXPECT_EQ(alone->ATTRIBUTES()->COUNT(), 0);
}
