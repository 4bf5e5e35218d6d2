#pragma once
// The one limit for code that recurses once per nesting level of values: arrays inside arrays,
// objects packed inside objects (an element's children inside its package), collections
// inside collection entries. Element trees are walked without recursion and need no limit.

#include <vorn/Object.h>

namespace vorn {

class NestingGuard {
public:
    // Levels open at once on one thread, all kinds together: they share one stack. A level
    // takes up to about 3 KB of it in a sanitizer build.
    static constexpr int MaxDepth = 1024;

    // Opens a level; raises Error from `source` when MaxDepth levels are open already.
    explicit NestingGuard(const QString& source);
    ~NestingGuard();
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

} // namespace vorn
