// Includes that need files made on the spot: search order, cycles, long chains, numbering.
// What an include brings is in data/parse/include.vorn; confinement, the notes on nested
// includes and the include folders they do not inherit are in the program's tests.
#include "engine/IncludeScope.h"
#include "support/Engine.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace support;

namespace {

class IncludeTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.path() + "/" + name; }
    QString write(const QString& name, const QString& text) const { return writeFile(path(name), text.toUtf8()); }
    // A file that declares a type named `tag` and holds one element of it.
    QString library(const QString& name, const QString& tag) const
    {
        return write(name, "BEGIN ELEMENT NAME=\"" + tag + "\"\nEND\n" + tag + "\n");
    }
    static Ref<cls_VornStructure> structure(const QString& root, const QStringList& folders = {})
    {
        auto s = cls_VornStructure::create();
        s->setROOT(root);
        for (const QString& f : folders)
            s->INCLUDEFOLDERS()->ADD(f);
        return s;
    }
    // The source file of the single element an INCLUDE of `file` leaves, or its error.
    static QString found(const Ref<cls_VornStructure>& s, const QString& file)
    {
        s->PARSE("INCLUDE FILE=\"" + file + "\"");
        auto e = s->ELEMENTS()->Item(1);
        return e->ERRORS() ? e->ERRORTEXT() : e->SOURCEFILE();
    }
};

} // namespace

TEST_F(IncludeTest, CandidatesRootThenAsWrittenThenIncludeFolders)
{
    const QString inRoot = library("root/inc.vs", "FROMROOT");
    const QString inF1 = library("f1/inc.vs", "FROMF1");
    const QString inF2 = library("f2/inc.vs", "FROMF2");
    QDir().mkpath(path("empty"));
    const QString root = path("root/"), f1 = path("f1/"), f2 = path("f2/"), empty = path("empty/");

    EXPECT_EQ(found(structure(root, { f1, f2 }), "inc.vs"), inRoot);
    EXPECT_EQ(found(structure(empty, { f1 }), inF2), inF2);
    EXPECT_EQ(found(structure(empty, { f1, f2 }), "inc.vs"), inF1);
    EXPECT_EQ(found(structure(QString(), { f2 }), "inc.vs"), inF2);
    // Prefixes are put in front as they are: without the separator nothing matches.
    EXPECT_EQ(found(structure(path("root"), { path("f2") }), "inc.vs"), notFound("inc.vs"));
}

TEST_F(IncludeTest, FilesThatDoNotParseCyclesAndLongChains)
{
    // Written with "/./" so only the canonical path shows it is the same file.
    const QString self = write("self.vs",
                               "INCLUDE FILE=\"" + path("./self.vs") + "\"\nBEGIN ELEMENT NAME=\"SELF\"\nEND\n");
    auto s = cls_VornStructure::create();
    ASSERT_TRUE(s->LOAD(self));
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 20); // nothing was included: the built-ins and SELF
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), ""); // the top file's own block
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notParsed(path("./self.vs")) }));

    const QString a = path("a.vs");
    const QString b = write("b.vs", "INCLUDE FILE=\"" + a + "\"\nBEGIN ELEMENT NAME=\"FROMB\"\nEND\n");
    write("a.vs", "INCLUDE FILE=\"" + b + "\"\nBEGIN ELEMENT NAME=\"FROMA\"\nEND\n");
    s = cls_VornStructure::create();
    ASSERT_TRUE(s->LOAD(a));
    EXPECT_EQ(s->DEFINITIONS()->COUNT(), 19 + 20 + 1); // b was included once, with its built-ins
    ASSERT_EQ(s->ELEMENTS()->COUNT(), 1);
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), b);
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notParsed(a) }));
    // Without a scope for the top text the cycle ends one level later.
    s = VORN()->PARSE("INCLUDE FILE=\"" + a + "\"");
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("FROMA"));
    EXPECT_EQ(s->ELEMENTS()->Item(1)->SOURCEFILE(), b);
    EXPECT_EQ(IncludeScope::depth(), 0);

    const int files = cls_VornStructure::MaxIncludeDepth + 8, last = cls_VornStructure::MaxIncludeDepth - 1;
    for (int i = 0; i < files; ++i)
        write(QString("c%1.vs").arg(i),
              "INCLUDE FILE=\"" + path(QString("c%1.vs").arg(i + 1)) + "\"\nBEGIN ELEMENT NAME=\"T" + QString::number(i)
                  + "\"\nEND\n");
    s = cls_VornStructure::create();
    ASSERT_TRUE(s->LOAD(path("c0.vs")));
    EXPECT_TRUE(s->DEFINITIONS()->EXISTS("T" + QString::number(last)));
    EXPECT_FALSE(s->DEFINITIONS()->EXISTS("T" + QString::number(last + 1)));
    EXPECT_EQ(errorsOf(s->ELEMENTS()->Item(1)), QStringList({ notParsed(path(QString("c%1.vs").arg(last + 1))) }));
}

TEST_F(IncludeTest, IncludedElementsAreNumberedOnInTheIncludingStructure)
{
    // Each file numbers from 1 by itself; merged, the numbers must not repeat.
    write("inner.vs",
          "BEGIN ELEMENT NAME=\"LEAF\"\n STRING NAME=\"ID\"\n PARENT \"NONE\", \"BOX\"\nEND\nLEAF \"I1\"\n");
    write("lib.vs",
          "BEGIN ELEMENT NAME=\"BOX\"\n STRING NAME=\"ID\"\nEND\n"
          "BEGIN BOX \"B1\"\n BOX \"B2\"\nEND\nINCLUDE FILE=\""
              + path("inner.vs") + "\"\n");
    auto s = structure(path(""));
    ASSERT_TRUE(
        s->PARSE("BEGIN ELEMENT NAME=\"TOP\"\n STRING NAME=\"ID\"\nEND\nTOP \"T1\"\n"
                 "INCLUDE FILE=\"lib.vs\"\nBEGIN BOX \"B3\"\n LEAF \"L1\"\nEND\n"));
    QList<qint32> uids;
    QStringList order;
    walkElements(s->ELEMENTS()->entries(), {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        uids.append(e->UID());
        order.append(e->ID());
        return false;
    });
    EXPECT_EQ(order, QStringList({ "T1", "B1", "B2", "I1", "B3", "L1" }));
    expectNumbered(*s);
    EXPECT_GE(s->UIDLAST(), *std::max_element(uids.begin(), uids.end())); // END lines take numbers too
    // Included elements follow in script order, numbered after the INCLUDE that brought them.
    EXPECT_TRUE(std::is_sorted(uids.begin(), uids.begin() + 4)) << uids[0] << " " << uids[3];
    // A new element gets a number no element holds.
    EXPECT_FALSE(uids.contains(s->UIDCREATE()));
}
