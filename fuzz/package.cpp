// PACKAGE put of arbitrary text into every persistent class. A put either succeeds or raises
// vorn::Error and leaves the object as it was; whatever PACKAGE get gave, put into a fresh
// object, gives the same package back.
#include "FuzzSupport.h"

#include <QFile>

using namespace vorn;

namespace {

// Objects with content, so that "left as it was" means something: a parsed script and its parts.
const std::vector<QString>& startPackages()
{
    static const std::vector<QString> packages = [] {
        auto s = cls_VornStructure::create();
        s->PARSE(
            QStringLiteral("BEGIN ENUMERATION NAME=\"KINDS\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
                           "BEGIN ELEMENT NAME=\"ROOM\"\n  STRING NAME=\"ID\"\n  DOUBLE NAME=\"AREA\", REQUIRED=no\n"
                           "  ENUM NAME=\"KIND\", ENUMID=\"KINDS\", DEFAULT=\"A\", REQUIRED=no\nEND\n"
                           "BEGIN ROOM \"R1\", AREA=2.5\n  ROOM \"R2\", KIND=\"A\"\nEND\n"));
        auto list = CoreList::create();
        list->ADD(QStringLiteral("one"));
        list->ADD(QStringLiteral("two"));
        auto element = s->ELEMENTS()->Item(1);
        auto definition = s->DEFINITIONS()->Item(QStringLiteral("ROOM"));
        auto enumeration = s->ENUMERATIONS()->Item(QStringLiteral("KINDS"));
        std::vector<QString> out;
        for (DataEvents* o : std::initializer_list<DataEvents*>{
                 list.get(), element->ATTRIBUTES().get(), element.get(), s->ELEMENTS().get(),
                 definition->ATTRIBUTES()->Item(1).get(), definition->ATTRIBUTES().get(), definition.get(),
                 s->DEFINITIONS().get(), enumeration.get(), s->ENUMERATIONS().get(), s.get() })
            out.push_back(o->DATA().PACKAGE());
        return out;
    }();
    return packages;
}

} // namespace

// VORN_FUZZ_SEEDS=DIR writes the start packages there as seed inputs and ends the program.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const QString dir = qEnvironmentVariable("VORN_FUZZ_SEEDS");
    if (dir.isEmpty())
        return 0;
    const std::vector<QString>& packages = startPackages();
    for (size_t n = 0; n < packages.size(); ++n) {
        // Into an empty object of its class, and into one with content.
        for (int full = 0; full < 2; ++full) {
            QFile f(dir + QStringLiteral("/class%1-%2").arg(n).arg(full));
            if (!f.open(QIODevice::WriteOnly)
                || f.write(QByteArray(1, char(n << 2 | full << 1)) + packages[n].toLatin1()) < 0)
                std::abort();
        }
    }
    std::exit(0);
}

// The first byte chooses: bit 0 how the rest becomes a text (UTF-8 or Latin-1), bit 1 whether
// the object starts empty or with content, the bits above it the class.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = fuzz::bytesOf(data + 1, size - 1);
    const QString text = (data[0] & 1) ? QString::fromUtf8(rest) : QString::fromLatin1(rest);
    const std::vector<QString>& start = startPackages();
    std::vector<Ref<DataEvents>> objects = fuzz::persistentSamples();
    const size_t i = size_t(data[0] >> 2) % objects.size();
    DataEvents& object = *objects[i];
    if (data[0] & 2)
        object.DATA().setPACKAGE(start[i]);
    const QString before = object.DATA().PACKAGE();
    {
        Ref<DataEvents> fresh = std::dynamic_pointer_cast<DataEvents>(object.DATA().SPAWN());
        fresh->DATA().setPACKAGE(before);
        FUZZ_CHECK(fresh->DATA().PACKAGE() == before,
                   object.className() + QStringLiteral(": start package changed:\n") + before
                       + QStringLiteral("\n---\n") + fresh->DATA().PACKAGE());
    }
    const bool taken = fuzz::onlyVornErrors([&] { object.DATA().setPACKAGE(text); }, "setPACKAGE");
    const QString after = object.DATA().PACKAGE();
    if (!taken) {
        FUZZ_CHECK(after == before, object.className() + QStringLiteral(": a refused package changed the object"));
        return 0;
    }
    Ref<DataEvents> fresh = std::dynamic_pointer_cast<DataEvents>(object.DATA().SPAWN());
    FUZZ_CHECK(fresh, object.className());
    const bool again = fuzz::onlyVornErrors([&] { fresh->DATA().setPACKAGE(after); }, "setPACKAGE again");
    FUZZ_CHECK(again, object.className() + QStringLiteral(": its own package was refused:\n") + after);
    FUZZ_CHECK(fresh->DATA().PACKAGE() == after,
               object.className() + QStringLiteral(": package changed on the way back:\n") + after
                   + QStringLiteral("\n---\n") + fresh->DATA().PACKAGE());
    return 0;
}
