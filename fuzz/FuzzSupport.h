#pragma once
// Helpers shared by the fuzz targets: an invariant check that aborts (so libFuzzer keeps the
// input), input decoding and the element-tree comparison of the writer's round trip.

#include <vorn/vorn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void violated(const char* what, const QString& detail, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant violated: %s\n%s\n", file, line, what, detail.toLocal8Bit().constData());
    std::abort();
}

// Kept in release builds too: an invariant is the point of the run.
#define FUZZ_CHECK(cond, detail)                                                                                       \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::fuzz::violated(#cond, (detail), __FILE__, __LINE__);                                                     \
    } while (0)

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The first byte chooses how the rest becomes a text: even as a file service reads a file,
// odd as plain UTF-8.
inline QString scriptText(const uint8_t* data, size_t size)
{
    if (size == 0)
        return QString();
    const QByteArray rest = bytesOf(data + 1, size - 1);
    return (data[0] & 1) ? QString::fromUtf8(rest) : vorn::CoreServices::decodeText(rest);
}

// Runs f; only vorn::Error may leave it. Answers whether it finished without one.
template <class F>
bool onlyVornErrors(F&& f, const char* what)
{
    try {
        f();
        return true;
    } catch (const vorn::Error&) {
        return false;
    } catch (const std::exception& e) {
        violated(what, QString::fromLocal8Bit(e.what()), __FILE__, __LINE__);
    } catch (...) {
        violated(what, QStringLiteral("an exception that is not vorn::Error"), __FILE__, __LINE__);
    }
}

// One instance of every persistent class that packages and record files bring back by name.
inline std::vector<vorn::Ref<vorn::DataEvents>> persistentSamples()
{
    using namespace vorn;
    return { CoreList::create(),
             cls_VornAttributes::create(),
             cls_VornElement::create(),
             cls_VornElements::create(),
             cls_VornAttributeDef::create(),
             cls_VornAttributeDefs::create(),
             cls_VornElementDef::create(),
             cls_VornElementDefs::create(),
             cls_VornEnumeration::create(),
             cls_VornEnumerations::create(),
             cls_VornStructure::create() };
}

} // namespace fuzz
