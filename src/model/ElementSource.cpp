#include <vorn/ElementSource.h>

#include <algorithm>

namespace vorn {

void SourceLines::addLine(qsizetype start)
{
    const qint32 at = offset(start);
    if (at >= 0)
        m_starts.push_back(at);
}

std::pair<qint32, qint32> SourceLines::place(qint32 offset) const noexcept
{
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    if (next == m_starts.begin())
        return { 1, offset + 1 };
    const auto line = next - 1;
    return { qint32(line - m_starts.begin()) + 1, offset - *line + 1 };
}

TextRange SourceLines::range(const TextExtent& extent) const noexcept
{
    if (!extent.isSet())
        return TextRange();
    const auto [line, column] = place(extent.from);
    if (extent.to <= extent.from)
        return TextRange{ line, column, line, column };
    const auto [endLine, last] = place(extent.to - 1);
    return TextRange{ line, column, endLine, last + 1 };
}

} // namespace vorn
