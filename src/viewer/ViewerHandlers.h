#pragma once
// How the viewer's handlers run: a failure never reaches the user, and selections the window
// makes itself are told apart from the user's.

#include "core/Logging.h"

namespace vorn::viewer {

// User-interface handlers never let a failure reach the user.
template <class F>
void guarded(F&& f) noexcept
{
    try {
        f();
    } catch (const std::exception& e) {
        qCWarning(lcViewer) << "a handler failed:" << failureText(e);
    }
}

// While it lives, the window's own selections are under way (the counter is above 0).
class QuietScope {
public:
    explicit QuietScope(int& counter) : m_counter(counter) { ++m_counter; }
    ~QuietScope() { --m_counter; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    int& m_counter;
};

} // namespace vorn::viewer
