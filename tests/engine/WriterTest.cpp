// The writer and the completion steps that run before it.
#include "support/Engine.h"

using namespace support;

namespace {

Ref<cls_VornElement> add(const Ref<cls_VornElements>& list, const QString& sort, const QString& id = {},
                         std::initializer_list<std::pair<const char*, Variant>> values = {}, qint32 uid = 0)
{
    Ref<cls_VornElement> e = list->CREATE(id.isEmpty() ? Variant::missing() : Variant(id));
    e->setSORT(sort);
    e->setUID(uid);
    for (const auto& [name, value] : values)
        e->ATTRIBUTES()->setVALUE(QString::fromUtf8(name), value);
    return e;
}

const std::initializer_list<std::pair<const char*, Variant>> six = { { "X", 1 }, { "A", 2 }, { "B", 3 },
                                                                     { "C", 4 }, { "D", 5 }, { "Y", 6 } };

// POINT is declared at the main level with X as LONG and again below SHAPE with X as STRING, so
// the chosen definition shows in how X is written.
Ref<cls_VornStructure> shapes()
{
    Ref<cls_VornStructure> s = cls_VornStructure::create();
    auto point = s->DEFINITIONS()->CREATE("POINT");
    point->PARENTSALLOWED()->ADD("NONE");
    for (const char* name : { "ID", "LABEL" })
        point->ATTRIBUTES()->CREATE(name, TypeString);
    point->ATTRIBUTES()->CREATE("ANY", TypeAtomic);
    for (const char* name : { "X", "Y", "A", "B", "C", "D" })
        point->ATTRIBUTES()->CREATE(name, TypeLong);
    auto inShape = s->DEFINITIONS()->CREATE("POINT");
    inShape->PARENTSALLOWED()->ADD("SHAPE");
    inShape->ATTRIBUTES()->CREATE("X", TypeString);
    auto shape = s->DEFINITIONS()->CREATE("SHAPE");
    shape->ATTRIBUTES()->CREATE("COLOR", TypeColor);
    return s;
}

// The lines written, and the message when the writer failed.
std::pair<QStringList, QString> write(const Ref<cls_VornStructure>& s, qint32 indent = 0)
{
    auto lines = CoreList::create();
    try {
        s->ELEMENTS()->STORE(lines, indent, s);
    } catch (const Error& e) {
        return { lines->items(), e.description() };
    }
    return { lines->items(), QString() };
}

} // namespace

// The line and block forms of parsed trees are in data/write; here trees built in code: an
// indent, an empty ATOMIC value, elements without type.
TEST(WriterTest, TreesBuiltInCode)
{
    auto s = shapes();
    add(s->ELEMENTS(), "POINT", {}, { { "ANY", Variant() }, { "X", 1 }, { "LABEL", "a b" } }); // ATOMIC empty: left out
    auto shape = add(s->ELEMENTS(), "SHAPE", "S");
    add(add(shape->ELEMENTS(), "")->ELEMENTS(), "POINT", "HIDDEN"); // no type: not even children
    EXPECT_EQ(write(s, 1).first, QStringList({ "\tPOINT X=1, LABEL=\"a b\"", "\tBEGIN SHAPE \"S\"", "\tEND" }));
}

// The block form takes the definition that fits the element's parent, the line form the first
// definition of the type. Only an element written on its own has its parent found by UID.
TEST(WriterTest, DefinitionChoiceFollowsTheParent)
{
    auto s = shapes();
    auto shape = add(s->ELEMENTS(), "SHAPE", {}, {}, 1);
    auto block = add(shape->ELEMENTS(), "POINT", "BLOCK", six, 2);
    add(shape->ELEMENTS(), "POINT", "LINE", { { "X", 1 } }, 3);
    add(s->ELEMENTS(), "POINT", "TOP", six, 2); // the same UID as BLOCK, at the main level
    const QStringList numbered = write(s).first;
    EXPECT_EQ(numbered[2], QStringLiteral("\t\tX=\"1\""));
    EXPECT_EQ(numbered[9], QStringLiteral("\tPOINT \"LINE\", X=1"));
    EXPECT_EQ(numbered.mid(11, 2), QStringList({ "BEGIN POINT \"TOP\"", "\tX=1" }));

    // All UIDs 0: the tree is written as before; BLOCK on its own is taken for the first
    // element with UID 0, SHAPE at the main level, so it uses the main definition.
    for (const auto& e : { shape, block, shape->ELEMENTS()->Item(2), s->ELEMENTS()->Item(2) })
        e->setUID(0);
    EXPECT_EQ(write(s).first, numbered);
    auto lines = CoreList::create();
    block->STORE(lines, 0, s);
    EXPECT_EQ(lines->ITEM(2), QStringLiteral("\tX=1"));
    lines = CoreList::create();
    shape->ELEMENTS()->STORE(lines, 0, s);
    EXPECT_EQ(lines->ITEM(2), QStringLiteral("\tX=1"));
}

TEST(WriterTest, FailuresNameTheElementAndKeepEarlierLines)
{
    auto s = shapes();
    auto shape = add(s->ELEMENTS(), "SHAPE", {}, {}, 1);
    auto inner = add(shape->ELEMENTS(), "POINT", {}, six, 7);
    add(s->ELEMENTS(), "GHOST", "G"); // no values: nothing to look up
    auto ghost = add(s->ELEMENTS(), "GHOST", "G1", { { "V", 1 } });
    ghost->setLINE(12);
    add(ghost->ELEMENTS(), "POINT");
    const auto [lines, message] = write(s);
    EXPECT_EQ(lines.mid(10), QStringList({ "GHOST \"G\"", "BEGIN GHOST \"G1\"" }));
    for (const char* part : { "GHOST \"G1\"", "line 12", "attribute V" })
        EXPECT_TRUE(message.contains(part)) << message.toStdString();

    // A failed run of a list that looks parents up leaves no index behind: after the change
    // the first UID 0 is the element below SHAPE.
    auto shared = cls_VornElements::create();
    shared->MERGE(*s->ELEMENTS());
    EXPECT_THROW(shared->STORE(CoreList::create(), 0, s), Error);
    s->ELEMENTS()->REMOVE(3);
    inner->setUID(0);
    auto again = CoreList::create();
    shape->ELEMENTS()->STORE(again, 0, s);
    EXPECT_EQ(again->ITEM(2), QStringLiteral("\tX=\"1\""));

    // A text with a quote or a line break has no script form, declared or not; nor has such an ID.
    for (const char* name : { "LABEL", "FREE" }) {
        for (const char* text : { "say \"hi\"", "two\nlines" }) {
            auto t = shapes();
            add(t->ELEMENTS(), "POINT", "Q", { { "X", 1 }, { name, text } });
            const auto [none, why] = write(t);
            EXPECT_TRUE(none.isEmpty());
            EXPECT_TRUE(why.contains("POINT \"Q\"") && why.contains(QStringLiteral("attribute ") + name))
                << why.toStdString();
        }
    }
    auto t = shapes();
    add(t->ELEMENTS(), "POINT", "BAD\"ID");
    EXPECT_TRUE(write(t).second.contains("identifier"));
}

TEST(WriterTest, AttributeListStructureForm)
{
    auto s = shapes();
    auto mark = s->DEFINITIONS()->CREATE("MARK");
    mark->ATTRIBUTES()->CREATE("ANY", TypeAtomic);
    mark->ATTRIBUTES()->CREATE("KIND", TypeString)->setFIXED(true);
    mark->ATTRIBUTES()->CREATE("ID", TypeString);
    mark->ATTRIBUTES()->CREATE("N", TypeLong);
    mark->ATTRIBUTES()->CREATE("T", TypeString);
    auto m = add(s->ELEMENTS(), "MARK", "M",
                 { { "T", "x" }, { "KIND", "k" }, { "ID", "M" }, { "ANY", Variant() }, { "N", 5 } });
    // Definition order, no ID or fixed values, no brackets; an empty first value takes no
    // separator. The viewer's golden files show the form for parsed trees.
    EXPECT_EQ(m->ATTRIBUTELIST("(", "; ", ")", s), QStringLiteral("5; \"x\""));

    auto shape = add(s->ELEMENTS(), "SHAPE", {}, {}, 1);
    auto point = add(shape->ELEMENTS(), "POINT", {}, { { "X", 1 } }, 0); // the first UID 0 is MARK at the main level
    EXPECT_TRUE(point->ATTRIBUTELIST("(", ", ", ")", s).startsWith(QStringLiteral("\"\", \"\", 1, \"\"")));

    // Undefined, or declared only in lower case: the plain form.
    s->DEFINITIONS()->CREATE("lower")->ATTRIBUTES()->CREATE("A", TypeLong);
    for (const char* sort : { "GHOST", "lower" })
        EXPECT_EQ(add(s->ELEMENTS(), sort, {}, { { "A", 1 }, { "B", "x" } })->ATTRIBUTELIST("(", ", ", ")", s),
                  QStringLiteral("(1, \"x\")"))
            << sort;
}

TEST(CompletionTest, CheckIdsNumbersDepthFirstAfterUidLast)
{
    auto s = cls_VornStructure::create();
    s->setUIDLAST(40);
    auto a = add(s->ELEMENTS(), "A");
    auto a1 = add(a->ELEMENTS(), "A1");
    auto a11 = add(a1->ELEMENTS(), "A11");
    auto a2 = add(a->ELEMENTS(), "A2", {}, {}, 7);
    auto b = add(s->ELEMENTS(), "B");
    s->CHECKIDS();
    EXPECT_EQ(QList<qint32>({ a->UID(), a1->UID(), a11->UID(), a2->UID(), b->UID() }),
              QList<qint32>({ 41, 42, 43, 7, 44 }));
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
    fill(top, Variant());                     // empty equals 0
    auto shape = add(s->ELEMENTS(), "SHAPE"); // no definition, children still examined
    shape->ATTRIBUTES()->setVALUE("X", 0);
    auto inner = add(shape->ELEMENTS(), "POINT");
    fill(inner, 5);
    auto nested = add(inner->ELEMENTS(), "POINT"); // parent POINT fits neither: the first definition
    nested->ATTRIBUTES()->setVALUE("X", "0");      // a text never equals a number
    nested->ATTRIBUTES()->setVALUE("COLOR", 0);

    s->CHECKDEFAULTS();
    EXPECT_EQ(attributeNames(top), QStringList({ "R", "NAME", "EXTRA" }));
    EXPECT_EQ(attributeNames(shape), QStringList({ "X" }));
    EXPECT_EQ(attributeNames(inner), QStringList({ "COLOR", "R", "NAME", "EXTRA" }));
    EXPECT_EQ(attributeNames(nested), QStringList({ "X", "COLOR" }));

    // From one element with a given parent.
    auto alone = add(s->ELEMENTS(), "POINT");
    alone->ATTRIBUTES()->setVALUE("X", 5);
    s->CHECKDEFAULTS(alone, shape);
    EXPECT_EQ(alone->ATTRIBUTES()->COUNT(), 0);
}
