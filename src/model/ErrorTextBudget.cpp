#include <vorn/ErrorTextBudget.h>

namespace vorn {

namespace {
thread_local ErrorTextBudget* t_budget = nullptr;
}

ErrorTextBudget::ErrorTextBudget(qint64 limit) : m_left(limit)
{
    if (!t_budget) {
        t_budget = this;
        m_active = true;
    }
}

ErrorTextBudget::~ErrorTextBudget()
{
    if (m_active)
        t_budget = nullptr;
}

bool ErrorTextBudget::keepNext() noexcept
{
    if (!t_budget)
        return true;
    if (t_budget->m_left > 0) {
        --t_budget->m_left;
        return true;
    }
    ++t_budget->m_dropped;
    return false;
}

} // namespace vorn
