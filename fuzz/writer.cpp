// The writer on trees that fuzzed scripts produced. For a tree without errors, the written text
// read back with the same definitions gives the same tree: types, nesting, attribute names and
// typed values. Identifiers are left out (the writer puts them where a re-read takes them as
// the first declared attribute), and so are trees whose identifiers land on another attribute.
// The structure's package is checked on the way: put into a fresh structure it comes back equal.
#include "FuzzSupport.h"

using namespace vorn;

namespace {

// Whether every identifier would come back as the ID attribute it came from.
bool identifiersSurvive(cls_VornStructure& s, cls_VornElements& elements, const QString& parentSort)
{
    for (qint32 i = 1; i <= elements.COUNT(); ++i) {
        auto e = elements.Item(i);
        if (!e->ID().isEmpty()) {
            auto def = s.DEFINITIONS()->ITEMPARENT(e->SORT(), parentSort);
            if (!def || def->ATTRIBUTES()->COUNT() < 1 || def->ATTRIBUTES()->Item(1)->DATA().KEYTEXT() != u"ID")
                return false;
        }
        if (e->hasElements() && !identifiersSurvive(s, *e->ELEMENTS(), e->SORT()))
            return false;
    }
    return true;
}

void compareTrees(cls_VornStructure& s, cls_VornElements& a, cls_VornElements& b, const QString& parentSort,
                  const QString& where, const QString& written)
{
    FUZZ_CHECK(a.COUNT() == b.COUNT(), where + QStringLiteral(": element count\n") + written);
    for (qint32 i = 1; i <= a.COUNT(); ++i) {
        auto x = a.Item(i);
        auto y = b.Item(i);
        const QString here = where + QLatin1Char('/') + QString::number(i) + QLatin1Char(' ') + x->SORT();
        FUZZ_CHECK(x->SORT() == y->SORT(), here + QStringLiteral(": type ") + y->SORT() + QLatin1Char('\n') + written);
        auto def = s.DEFINITIONS()->ITEMPARENT(x->SORT(), parentSort);
        FUZZ_CHECK(def, here + QStringLiteral(": no definition"));
        auto& p = *x->ATTRIBUTES();
        auto& q = *y->ATTRIBUTES();
        auto typed = [&](cls_VornAttributes& bag, const QString& name) {
            auto attribute = def->ATTRIBUTES()->Item(name);
            const Variant v = bag.VALUE(name, Variant());
            return attribute ? DataTypes::CONVERT(v, attribute->SORT()) : v;
        };
        // Every named value of either side, as its data type gives it; a value left out by the
        // writer (empty, or only its default) must read back as the same typed value.
        for (cls_VornAttributes* bag : { &p, &q }) {
            for (qint32 k = 1; k <= bag->COUNT(); ++k) {
                const QString name = bag->NAME(k);
                if (name == u"ID")
                    continue;
                const Variant u = typed(p, name);
                const Variant v = typed(q, name);
                FUZZ_CHECK(u.kind() == v.kind() && u == v,
                           here + QStringLiteral(": attribute ") + name + QStringLiteral(" '") + u.toText()
                               + QStringLiteral("' came back as '") + v.toText() + QStringLiteral("'\n") + written);
            }
        }
        compareTrees(s, *x->ELEMENTS(), *y->ELEMENTS(), x->SORT(), here, written);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString script = fuzz::scriptText(data, size);
    auto first = cls_VornStructure::create();
    auto errors = CoreList::create();
    if (!fuzz::onlyVornErrors([&] { first->PARSE(script, errors); }, "PARSE"))
        return 0;

    // The package of whatever the reader built.
    const QString package = first->DATA().PACKAGE();
    auto copy = cls_VornStructure::create();
    FUZZ_CHECK(fuzz::onlyVornErrors([&] { copy->DATA().setPACKAGE(package); }, "setPACKAGE"),
               QStringLiteral("a structure's own package was refused"));
    FUZZ_CHECK(copy->DATA().PACKAGE() == package, QStringLiteral("the structure's package changed on the way back:\n") + package
                                                           + QStringLiteral("\n---\n") + copy->DATA().PACKAGE());

    QString text;
    const bool wrote = fuzz::onlyVornErrors([&] { text = first->scriptLines()->JOIN(QString(), QStringLiteral("\n"), QString()); },
                                            "scriptLines");
    if (!wrote || errors->COUNT() > 0 || first->ERRORS() || first->ERRORSGLOBAL())
        return 0;
    if (!identifiersSurvive(*first, *first->ELEMENTS(), QStringLiteral("NONE")))
        return 0;

    auto second = cls_VornStructure::create();
    second->DEFINITIONS()->DATA().COPY(*first->DEFINITIONS());
    second->ENUMERATIONS()->DATA().COPY(*first->ENUMERATIONS());
    auto again = CoreList::create();
    FUZZ_CHECK(fuzz::onlyVornErrors([&] { second->PARSE(text, again); }, "PARSE written"), text);
    FUZZ_CHECK(again->COUNT() == 0 && !second->ERRORS(),
               QStringLiteral("the written tree reads back with errors:\n") + again->items().join(u'\n')
                   + QStringLiteral("\n--- written\n") + text + QStringLiteral("\n--- script\n") + script);
    compareTrees(*first, *first->ELEMENTS(), *second->ELEMENTS(), QStringLiteral("NONE"), QString(), text);
    return 0;
}
