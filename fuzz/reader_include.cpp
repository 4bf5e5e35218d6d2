// The reader with shared definitions to include: a temporary folder holds a file of types,
// value lists and elements, and a second one that includes the first and itself.
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vorn;

namespace {

const char SharedScript[] =
    "BEGIN ENUMERATION NAME=\"KINDS\"\n"
    "  ENUMITEM NAME=\"LIVING\", VALUE=1\n"
    "  ENUMITEM NAME=\"KITCHEN\", VALUE=2\n"
    "END\n"
    "BEGIN ELEMENT NAME=\"FLOOR\"\n"
    "  STRING NAME=\"ID\"\n"
    "  LONG NAME=\"LEVEL\", REQUIRED=no\n"
    "END\n"
    "BEGIN ELEMENT NAME=\"ROOM\"\n"
    "  STRING NAME=\"ID\"\n"
    "  DOUBLE NAME=\"AREA\", REQUIRED=no\n"
    "  ENUM NAME=\"KIND\", ENUMID=\"KINDS\", DEFAULT=\"LIVING\", REQUIRED=no\n"
    "  DATE NAME=\"BUILT\", REQUIRED=no\n"
    "  BOOL NAME=\"LIT\", REQUIRED=no\n"
    "  PARENT \"FLOOR\", \"NONE\"\n"
    "END\n"
    "BEGIN CLONE NAME=\"HALL\", CLONE=\"ROOM\"\n"
    "END\n"
    "BEGIN FLOOR \"G\", LEVEL=0\n"
    "  ROOM \"R1\", AREA=12.5, KIND=\"KITCHEN\"\n"
    "END\n";

const char CycleScript[] = "INCLUDE FILE=\"shared.vorn\"\nINCLUDE FILE=\"cycle.vorn\"\nROOM \"C\"\n";

QString folder()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        for (auto [name, text] : { std::pair{ "shared.vorn", SharedScript }, std::pair{ "cycle.vorn", CycleScript } }) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            if (!f.open(QIODevice::WriteOnly) || f.write(text) < 0)
                std::abort();
        }
        return true;
    }();
    (void)written;
    return dir.path() + QLatin1Char('/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString root = folder();
    const QString script = fuzz::scriptText(data, size);
    auto structure = cls_VornStructure::create();
    structure->setROOT(root);
    structure->INCLUDEFOLDERS()->ADD(root);
    auto errors = CoreList::create();
    bool clean = false;
    const bool done = fuzz::onlyVornErrors([&] { clean = structure->PARSE(script, errors); }, "PARSE");
    FUZZ_CHECK(done, QStringLiteral("PARSE raised vorn::Error instead of recording it"));
    FUZZ_CHECK(clean || structure->ERRORS(), QStringLiteral("PARSE answered False without an error"));
    return 0;
}
