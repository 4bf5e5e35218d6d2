#pragma once
// Texts read from a script, copied into shared blocks instead of into one allocation each.

#include <QString>
#include <QStringView>

#include <cstring>

namespace vorn {

// A text from `copy` is an ordinary QString whose characters lie in a block it shares with the
// texts copied before it: a block of a few hundred short values costs one allocation, and it
// is freed with its last text. Each text is terminated, as Qt's own are, and one that is
// changed later detaches as any shared QString does. A block outlives a tree only through
// texts taken out of it; a long text gets an allocation of its own.
class TextPool {
public:
    QString copy(QStringView text)
    {
        const qsizetype size = text.size();
        if (size > Longest)
            return text.toString();
        if (m_block.isNull() || m_used + size + 1 > BlockSize) {
            m_block = QString(BlockSize, Qt::Uninitialized);
            m_used = 0;
        }
        // The block's data pointer, not QString::data(): the block is shared from its first
        // text on, and a write through QString would copy it.
        QString::DataPointer& block = m_block.data_ptr();
        char16_t* at = block.data() + m_used;
        std::memcpy(at, text.utf16(), size_t(size) * sizeof(char16_t));
        at[size] = u'\0';
        m_used += size + 1;
        block.d_ptr()->ref();
        return QString(QString::DataPointer(block.d_ptr(), at, size));
    }

private:
    static constexpr qsizetype BlockSize = 8192; // characters
    static constexpr qsizetype Longest = 256;
    QString m_block;
    qsizetype m_used = 0;
};

} // namespace vorn
