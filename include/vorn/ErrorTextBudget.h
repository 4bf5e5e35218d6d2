#pragma once
// A bound on the error texts kept while reading input that may be nothing but faults.

#include <QtGlobal>

namespace vorn {

// While it lives, ERRORSET of elements and structures on this thread keeps at most `limit`
// texts; past that, ERRORS still turns True but the text is only counted. A program that shows
// the first messages of a check sets one, so that a file of noise costs memory in proportion to
// what is shown, not to the hundreds of thousands of messages it holds. Without a budget (the
// default) every text is kept. Budgets do not nest: an inner one is ignored.
class ErrorTextBudget {
public:
    explicit ErrorTextBudget(qint64 limit);
    ~ErrorTextBudget();
    ErrorTextBudget(const ErrorTextBudget&) = delete;
    ErrorTextBudget& operator=(const ErrorTextBudget&) = delete;

    // The texts that were counted but not kept.
    qint64 dropped() const noexcept { return m_dropped; }

    // For ERRORSET: whether the next text is kept (and counted against the open budget).
    static bool keepNext() noexcept;

private:
    qint64 m_left;
    qint64 m_dropped = 0;
    bool m_active = false;
};

} // namespace vorn
