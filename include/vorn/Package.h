#pragma once
// The package codec: an ordered list of typed values as one self-delimiting text.
//
// Every value keeps its kind; texts and arrays are length-prefixed, so packages nest inside
// packages without escaping. Objects travel as their class identity text and their own
// package and come back as new objects of that class. A malformed package raises Error; the
// decoder never allocates more than the text's own length justifies.

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

    // Packages and arrays nested in one another deeper than this (a package inside a package's
    // object and an array inside an array each count one level) raise Error instead of
    // exhausting the stack (a level takes up to about 3 KB of it in a sanitizer build).
    static constexpr int MaxDepth = 1024;
};

} // namespace vorn
