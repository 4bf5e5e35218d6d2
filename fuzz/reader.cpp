// The reader on arbitrary bytes: PARSE must end, never crash and raise nothing but vorn::Error
// (a script fault is a message on the tree, not an exception).
#include "FuzzSupport.h"

#include <QCoreApplication>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString script = fuzz::scriptText(data, size);
    auto structure = cls_VornStructure::create();
    auto errors = CoreList::create();
    bool clean = false;
    const bool done = fuzz::onlyVornErrors([&] { clean = structure->PARSE(script, errors); }, "PARSE");
    FUZZ_CHECK(done, QStringLiteral("PARSE raised vorn::Error instead of recording it"));
    // A structure-level failure is always reported as a text.
    FUZZ_CHECK(clean || structure->ERRORS(), QStringLiteral("PARSE answered False without an error"));
    fuzz::onlyVornErrors([&] { structure->ERRORSGLOBAL(); }, "ERRORSGLOBAL");
    return 0;
}
