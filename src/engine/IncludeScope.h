#pragma once
// The files being read on this thread, so that a file including itself ends instead of looping.

#include <QString>

namespace vorn {

// Marks a script file as being read on this thread while it lives, so that an INCLUDE of a file
// that is already being read ends the cycle instead of reading it again.
class IncludeScope {
public:
    explicit IncludeScope(const QString& file);
    ~IncludeScope();
    IncludeScope(const IncludeScope&) = delete;
    IncludeScope& operator=(const IncludeScope&) = delete;

    // Whether the file (compared by its canonical path) is being read.
    static bool isOpen(const QString& file);
    // How many files are being read.
    static int depth();
    // The canonical path of the file read last (the one being read now), or "".
    static QString innermost();
};

} // namespace vorn
