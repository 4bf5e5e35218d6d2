#pragma once
// The package codec: an ordered list of typed values as one self-delimiting text.
//
// Every value keeps its kind; texts and arrays are length-prefixed, so packages nest inside
// packages without escaping. Objects travel as their class identity text and their own
// package and come back as new objects of that class. A malformed package raises Error; the
// decoder never allocates more than the text's own length justifies. Packages and arrays
// nested in one another count against NestingGuard::MaxDepth.

#include <vorn/CoreFile.h>
#include <vorn/Variant.h>

namespace vorn {

class Package {
public:
    static QString PACK(const VariantArray& values);
    // The values of a package; raises Error unless it holds exactly `count` values.
    static VariantArray UNPACK(const QString& package, qsizetype count);

    // Fills typed targets in order, converting each value to its target's type.
    template <class... T>
    static void UNPACK(const QString& package, T&... targets)
    {
        VariantArray values = UNPACK(package, qsizetype(sizeof...(T)));
        qsizetype i = 0;
        (assignValue(values[i++], targets), ...);
    }
};

} // namespace vorn
