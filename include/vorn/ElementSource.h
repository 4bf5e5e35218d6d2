#pragma once
// Where the reader found an element and the values given for it.

#include <vorn/SourceSpan.h>

#include <QExplicitlySharedDataPointer>
#include <QSharedData>

#include <limits>
#include <memory>
#include <vector>

namespace vorn {

// A stretch of a file's text as offsets into its decoded text: from `from` up to, not including,
// `to`. Far smaller than a TextRange, and exact across continued statements; SourceLines turns
// it into lines and columns. Unset (from < 0) for what no script gave.
struct TextExtent {
    qint32 from = -1;
    qint32 to = -1;

    bool isSet() const noexcept { return from >= 0; }
    friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// Where the script gave a value: the name before "=", or the value itself when it had none,
// and the value.
struct ValuePlace {
    TextExtent name;
    TextExtent value;
};

// Where the lines of one file's text start; shared by every element read from the file.
class SourceLines : public QSharedData {
public:
    // Lines come in order; the first starts at offset 0.
    void addLine(qsizetype start);
    // The lines and columns of `extent`; invalid when it is unset.
    TextRange range(const TextExtent& extent) const noexcept;
    // The offset as a TextExtent holds it; unset beyond what qint32 can hold.
    static qint32 offset(qsizetype at) noexcept
    {
        return at >= 0 && at <= std::numeric_limits<qint32>::max() ? qint32(at) : -1;
    }

private:
    std::pair<qint32, qint32> place(qint32 offset) const noexcept;

    std::vector<qint32> m_starts;
};

struct ElementSource {
    // The file's lines; none when the extents below are all unset.
    // Held through Qt's shared pointer of one address: every element of a large tree has one.
    QExplicitlySharedDataPointer<const SourceLines> lines;
    // The statement; for a block, from BEGIN to the end of its END line.
    TextExtent whole;
    // BEGIN, or the first word of a statement without it.
    TextExtent keyword;
    // The type word; unset when the statement names none.
    TextExtent type;
    // An ID that became the element's own: it leaves the attribute bag, which knows where every
    // other value stands.
    ValuePlace id;

    TextRange range(const TextExtent& extent) const noexcept { return lines ? lines->range(extent) : TextRange(); }
};

} // namespace vorn
