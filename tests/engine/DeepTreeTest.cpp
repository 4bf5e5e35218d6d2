// Element trees built in code far deeper than any script nests: every walk over them either
// answers or raises Error and changes nothing; none may exhaust the call stack (the point of
// running these under AddressSanitizer, whose frames are larger).
#include "support/Engine.h"

#include <QFile>
#include <QTemporaryDir>

using namespace support;

namespace {

constexpr int Depth = 100000;

// BOX elements, each the only child of the one before; UIDs 1..depth, the deepest keyed BOTTOM.
struct Chain {
    Ref<cls_VornStructure> s;
    Ref<cls_VornElement> top, bottom;
};

Chain chain(int depth)
{
    Chain c{ fixture(), nullptr, nullptr };
    c.top = c.bottom = c.s->ELEMENTS()->CREATE();
    for (int uid = 1; uid <= depth; ++uid) {
        if (uid > 1)
            c.bottom = c.bottom->ELEMENTS()->CREATE(uid == depth ? Variant("BOTTOM") : Variant::missing());
        c.bottom->setSORT("BOX");
        c.bottom->setUID(uid);
    }
    return c;
}

} // namespace

TEST(DeepTreeTest, EveryWalkAnswersOrFailsCleanlyAtAHundredThousandLevels)
{
    QTemporaryDir dir;
    const QString record = dir.filePath("deep.rec"), script = dir.filePath("deep.vs");
    auto [s, top, bottom] = chain(Depth);
    bottom->ATTRIBUTES()->setVALUE("N", 7);
    bottom->ERRORSET("bottom");

    EXPECT_EQ(s->ELEMENTS()->COUNT(true), Depth);
    EXPECT_EQ(s->ELEMENT("bottom"), bottom);
    EXPECT_EQ(s->ELEMENT(Depth - 1)->UID(), Depth - 1); // the second lookup builds the index
    EXPECT_EQ(s->ELEMENTPARENT(Depth)->UID(), Depth - 1);
    EXPECT_TRUE(s->ERRORSGLOBAL());
    s->CHECKIDS();
    s->CHECKDEFAULTS();
    EXPECT_EQ(bottom->ATTRIBUTELIST("(", ", ", ")", s), "7"); // the parent found by walking

    {
        auto copy = cls_VornStructure::create();
        copy->DATA().COPY(s);
        const Ref<cls_VornElement> copied = copy->ELEMENT("BOTTOM");
        ASSERT_TRUE(copied);
        EXPECT_NE(copied, bottom);
        EXPECT_EQ(copied->UID(), Depth);
        EXPECT_EQ(copied->ERRORTEXT(), "bottom");
        EXPECT_EQ(copy->ELEMENTS()->COUNT(true), Depth);
    }

    ASSERT_TRUE(top->SAVE(record));
    const QByteArray saved = readAll(record);
    {
        auto loaded = cls_VornElement::create();
        ASSERT_TRUE(loaded->LOAD(record));
        EXPECT_EQ(loaded->ELEMENTS()->COUNT(true), Depth - 1);
        EXPECT_EQ(loaded->ELEMENTS()->FIND("BOTTOM")->ATTRIBUTES()->VALUE("N"), Variant(7));

        // A record as deep that ends early: LOAD answers False and the element keeps its tree.
        auto f = CoreFile::create();
        f->OPEN(dir.filePath("cut.rec"), CoreFile::ModeWrite);
        for (int i = 0; i < Depth; ++i) {
            f->WRITE({ "1.0", Variant(), "BOX", "", "", "", "", "", false, false, false, false, false, 0, 0, 0, 0, i });
            f->WRITETAG("1.0");
            f->WRITE({ 0, "1.0", Variant(), 1 });
        }
        f->CLOSE();
        EXPECT_FALSE(loaded->LOAD(dir.filePath("cut.rec")));
        EXPECT_EQ(loaded->ELEMENTS()->COUNT(true), Depth - 1);
    }
    // A value at the bottom that has no record: SAVE answers False and the file stays whole.
    bottom->ATTRIBUTES()->setVALUE("N", QDateTime());
    EXPECT_FALSE(top->SAVE(record));
    EXPECT_EQ(readAll(record), saved);
    bottom->ATTRIBUTES()->setVALUE("N", 7);

    // Packages nest on the call stack, so the shared nesting limit refuses them.
    try {
        s->DATA().PACKAGE();
        ADD_FAILURE() << "packed";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(QString::number(NestingGuard::MaxDepth))) << e.description().toStdString();
    }
    // Script text: the reader would skip the blocks below its nesting limit.
    auto lines = CoreList::create();
    try {
        s->ELEMENTS()->STORE(lines, 0, s);
        ADD_FAILURE() << "written";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(QString::number(cls_VornStructure::MaxNesting)))
            << e.description().toStdString();
    }
    EXPECT_EQ(lines->COUNT(), cls_VornStructure::MaxNesting);
    EXPECT_FALSE(s->SAVE(script));
    EXPECT_FALSE(QFile::exists(script));

    // None of the failures changed the tree.
    ASSERT_TRUE(top->SAVE(record));
    EXPECT_EQ(readAll(record), saved);

    // Script text that deep is read line by line, keeping the blocks down to the limit.
    auto parsed = fixture();
    parsed->PARSE(QString("BEGIN BOX\n").repeated(Depth) + QString("END\n").repeated(Depth));
    EXPECT_EQ(parsed->ELEMENTS()->COUNT(true), cls_VornStructure::MaxNesting);

    // Released level by level, also when the chain hangs in a list of its own.
    bottom.reset();
    s.reset();
    auto list = cls_VornElements::create();
    list->ADD(top);
    top.reset();
    list.reset();
}

TEST(DeepTreeTest, ScriptTextReadsBackAsDeepAsTheReaderNests)
{
    // As many blocks as a script may nest, with one line-form element inside the innermost.
    auto [s, top, bottom] = chain(cls_VornStructure::MaxNesting + 1);
    const QString text = s->scriptLines()->JOIN(QString(), "\n", QString());
    auto back = fixture();
    EXPECT_TRUE(back->PARSE(text));
    EXPECT_FALSE(back->ERRORSGLOBAL());
    EXPECT_EQ(back->ELEMENTS()->COUNT(true), cls_VornStructure::MaxNesting + 1);
    EXPECT_EQ(back->ELEMENT("BOTTOM")->SORT(), "BOX");

    // A child below it makes it a block one deeper than the reader opens.
    bottom->ELEMENTS()->CREATE()->setSORT("BOX");
    EXPECT_THROW(s->scriptLines(), Error);
}

TEST(DeepTreeTest, AnElementAmongItsOwnDescendantsFailsCleanly)
{
    auto [s, top, bottom] = chain(3);
    bottom->ELEMENTS()->ADD(top);
    auto target = cls_VornElement::create();
    target->setSORT("KEEP");
    EXPECT_THROW(target->DATA().COPY(top), Error);
    EXPECT_EQ(target->SORT(), "KEEP");
    EXPECT_FALSE(target->hasElements());
    auto structure = cls_VornStructure::create();
    const qint32 definitions = structure->DEFINITIONS()->COUNT();
    EXPECT_THROW(structure->DATA().COPY(s), Error);
    EXPECT_EQ(structure->DEFINITIONS()->COUNT(), definitions);
    EXPECT_EQ(structure->ELEMENTS()->COUNT(), 0);
    QTemporaryDir dir;
    EXPECT_FALSE(top->SAVE(dir.filePath("cycle.rec")));
    EXPECT_FALSE(QFile::exists(dir.filePath("cycle.rec")));
    EXPECT_THROW(s->scriptLines(), Error);
    EXPECT_THROW(top->DATA().PACKAGE(), Error);
    bottom->ELEMENTS()->REMOVE(1); // ends the cycle, so that the chain can be released
}
