// A host builds a small model in code, packs it into fresh objects and keeps it in a
// password-protected record file. Exits non-zero when anything does not come back as it went.
#include <vorn/vorn.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

using namespace vorn;

namespace {

int failures = 0;

void expect(bool ok, const char* what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++failures;
}

} // namespace

int main()
{
    // Definitions: a type POINT with two coordinates and a colour from a value list.
    auto definitions = cls_VornElementDefs::create();
    auto point = definitions->CREATE(QStringLiteral("POINT"), QStringLiteral("A point on the plane"));
    point->PARENTSALLOWED()->ADD(QStringLiteral("NONE"));
    point->PARENTSALLOWED()->ADD(QStringLiteral("POINT"));
    point->ATTRIBUTES()->CREATE(QStringLiteral("X"), TypeDouble, 0.0, true, QStringLiteral("Horizontal"));
    point->ATTRIBUTES()->CREATE(QStringLiteral("Y"), TypeDouble, 0.0, true, QStringLiteral("Vertical"));
    auto colour = point->ATTRIBUTES()->CREATE(QStringLiteral("COLOUR"), TypeEnum, QStringLiteral("RED"));
    colour->setENUMID(QStringLiteral("COLOURS"));

    auto lists = cls_VornEnumerations::create();
    auto colours = lists->CREATE(QStringLiteral("colours"), QStringLiteral("Colours of points"));
    colours->CREATE(QStringLiteral("RED"), 1, QStringLiteral("Red"));
    colours->CREATE(QStringLiteral("GREEN"), 2, QStringLiteral("Green"));

    // A tree: one point with a child point.
    auto tree = cls_VornElements::create();
    auto origin = tree->CREATE(QStringLiteral("origin"));
    origin->setSORT(QStringLiteral("POINT"));
    origin->setUID(1);
    origin->ATTRIBUTES()->setVALUE(QStringLiteral("X"), 0.0);
    origin->ATTRIBUTES()->setVALUE(QStringLiteral("Y"), 0.0);
    auto child = origin->ELEMENTS()->CREATE(QStringLiteral("p1"));
    child->setSORT(QStringLiteral("POINT"));
    child->setUID(2);
    child->ATTRIBUTES()->setVALUE(QStringLiteral("X"), 1.5);
    child->ATTRIBUTES()->setVALUE(QStringLiteral("Y"), -2.0);
    child->ATTRIBUTES()->setVALUE(QStringLiteral("COLOUR"),
                                  lists->ENCODE(QStringLiteral("COLOURS"), QStringLiteral("GREEN")));

    // Pack everything and unpack it into fresh objects.
    auto freshTree = cls_VornElements::create();
    freshTree->DATA().setPACKAGE(tree->DATA().PACKAGE());
    auto freshDefinitions = cls_VornElementDefs::create();
    freshDefinitions->DATA().setPACKAGE(definitions->DATA().PACKAGE());
    auto freshLists = cls_VornEnumerations::create();
    freshLists->DATA().setPACKAGE(lists->DATA().PACKAGE());

    expect(freshTree->COUNT(true) == 2, "the unpacked tree holds both points");
    auto found = freshTree->FIND(QStringLiteral("P1"));
    expect(found && found->ATTRIBUTES()->VALUE(QStringLiteral("X")) == Variant(1.5), "P1 keeps its X");
    expect(found && freshTree->FINDPARENT(2)->ID() == QLatin1String("ORIGIN"), "P1's parent is ORIGIN");
    auto freshPoint = freshDefinitions->ITEMPARENT(QStringLiteral("point"), QStringLiteral("POINT"));
    expect(freshPoint && freshPoint->ATTRIBUTES()->LIST() == QLatin1String("X, Y, COLOUR"),
           "POINT keeps its attributes");
    expect(found
               && freshLists->DECODE(QStringLiteral("Colours"), found->ATTRIBUTES()->VALUE(QStringLiteral("COLOUR")))
                   == QLatin1String("GREEN"),
           "the colour decodes to GREEN");
    expect(found
               && found->ATTRIBUTES()->VALUEENCODED(QStringLiteral("X"),
                                                    freshPoint->ATTRIBUTES()->Item(QStringLiteral("X")))
                   == Variant(QStringLiteral("1.5")),
           "X is written as 1.5");

    // Store the tree in a password-protected record file and read it back.
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("tree.vrec"));
    expect(tree->SAVE(file, QStringLiteral("s3cret")), "the tree is saved with a password");
    auto loaded = cls_VornElements::create();
    expect(!loaded->LOAD(file, QStringLiteral("wrong")), "a wrong password is refused");
    expect(loaded->COUNT(true) == 0, "a refused load changes nothing");
    expect(loaded->LOAD(file, QStringLiteral("s3cret")), "the right password loads the tree");
    expect(loaded->DATA().PACKAGE() == tree->DATA().PACKAGE(), "the loaded tree equals the saved one");

    std::printf("%s\n", failures ? "host example FAILED" : "host example passed");
    return failures ? 1 : 0;
}
