#pragma once
// One value as an attribute bag keeps it: what a Variant holds, in 24 bytes instead of 32,
// with room beside it for the bag's note of where the script gave it.

#include <vorn/ElementSource.h>
#include <vorn/Variant.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

namespace vorn {

// A bag of a large tree holds millions of values, nearly all of them short texts and numbers.
// A text is kept as the three parts of its QString (header, characters, length), the
// characters as their distance from the header, so that a text and a number both fit in 16
// bytes. What does not fit that way (an object, an array, a text of 4 GB) is kept as a Variant
// of its own on the heap, and so is the rare place too far from its name or too long for the
// bag's note.
class ValueCell {
public:
    ValueCell() noexcept : m_bits(0) {}
    explicit ValueCell(Variant&& value) noexcept { take(std::move(value)); }
    explicit ValueCell(const Variant& value) { take(Variant(value)); }
    ValueCell(const ValueCell& other) { copyFrom(other); }
    // The moved-from cell is left Empty.
    ValueCell(ValueCell&& other) noexcept { moveFrom(other); }
    ValueCell& operator=(const ValueCell& other)
    {
        if (this != &other) {
            ValueCell copy(other);
            release();
            moveFrom(copy);
        }
        return *this;
    }
    ValueCell& operator=(ValueCell&& other) noexcept
    {
        if (this != &other) {
            release();
            moveFrom(other);
        }
        return *this;
    }
    ~ValueCell() { release(); }

    // The value, as a Variant of its own (a text shares its characters).
    Variant value() const
    {
        if (m_form == Form::SharedText) {
            m_header->ref();
            return Variant(QString(QString::DataPointer(m_header, sharedChars(), m_size)));
        }
        switch (m_form) {
        case Form::Empty: return Variant();
        case Form::Long: return Variant(m_long);
        case Form::Double: return Variant(m_double);
        case Form::Bool: return Variant(m_bool);
        default: return otherValue();
        }
    }
    Variant::Kind kind() const noexcept
    {
        switch (m_form) {
        case Form::SharedText:
        case Form::RawText: return Variant::Kind::Text;
        case Form::Boxed: return m_boxed->value.kind();
        default: return Variant::Kind(m_form);
        }
    }
    // The characters of a Text value, valid while the cell holds it; empty for any other kind.
    QStringView text() const noexcept
    {
        return m_form == Form::SharedText ? QStringView(sharedChars(), qsizetype(m_size)) : otherText();
    }
    // A new value in place of the old one; the note and a kept place stay.
    void assign(Variant&& value) noexcept
    {
        if (m_form == Form::Boxed) {
            m_boxed->value = std::move(value);
            return;
        }
        release();
        take(std::move(value));
    }
    // A place the note cannot hold, kept with the value until the cell ends; unset when none.
    void keepPlace(const ValuePlace& place);
    ValuePlace keptPlace() const noexcept { return m_form == Form::Boxed ? m_boxed->place : ValuePlace(); }

private:
    // The scalar forms share their numbers with Variant::Kind.
    enum class Form : std::uint8_t {
        Empty = std::uint8_t(Variant::Kind::Empty),
        Missing = std::uint8_t(Variant::Kind::Missing),
        Long = std::uint8_t(Variant::Kind::Long),
        Double = std::uint8_t(Variant::Kind::Double),
        Bool = std::uint8_t(Variant::Kind::Bool),
        Date = std::uint8_t(Variant::Kind::Date),
        SharedText = 32, // m_header, the characters m_offset bytes after it, m_size of them
        RawText,         // a text without header (fromRawData, or null): m_raw and m_size
        Boxed,           // anything else, whole in m_boxed
    };
    using TextData = QTypedArrayData<char16_t>;
    struct Box {
        Variant value;
        ValuePlace place;
    };

    // A text moves its header's reference into the cell, as a QString move would.
    void take(Variant&& value) noexcept
    {
        const Variant::Kind kind = value.kind();
        if (kind == Variant::Kind::Text) {
            if (takeSharedText(value.m_text.data_ptr()))
                return;
        } else if (kind < Variant::Kind::Date) {
            std::memcpy(&m_bits, &value.m_raw, sizeof m_bits);
            m_offset = m_size = 0;
            m_form = Form(kind);
            return;
        }
        takeOther(std::move(value));
    }
    bool takeSharedText(QString::DataPointer& data) noexcept
    {
        TextData* header = data.d_ptr();
        const quint64 offset = quint64(reinterpret_cast<const char*>(data.data())
                                       - reinterpret_cast<const char*>(header));
        if (!header || offset > 0xFFFFFFFFu || quint64(data.size) > 0xFFFFFFFFu)
            return false;
        m_header = header;
        m_offset = quint32(offset);
        m_size = quint32(data.size);
        m_form = Form::SharedText;
        new (&data) QString::DataPointer(); // the text is left null without giving up the reference
        return true;
    }
    void takeOther(Variant&& value) noexcept;
    char16_t* sharedChars() const noexcept
    {
        return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(m_header) + m_offset);
    }
    Variant otherValue() const;
    QStringView otherText() const noexcept;
    void copyFrom(const ValueCell& other);
    void moveFrom(ValueCell& other) noexcept
    {
        m_bits = other.m_bits;
        m_offset = other.m_offset;
        m_size = other.m_size;
        m_form = other.m_form;
        note = other.note;
        other.m_form = Form::Empty;
    }
    void release() noexcept
    {
        if (m_form < Form::Date)
            return; // a scalar: nothing to end
        if (m_form == Form::SharedText) {
            if (!m_header->deref())
                TextData::deallocate(m_header); // the characters need no ending
        } else {
            releaseOwned();
        }
        m_form = Form::Empty;
    }
    void releaseOwned() noexcept;

    union {
        quint64 m_bits; // the bits of every scalar
        TextData* m_header;
        const char16_t* m_raw;
        qint32 m_long;
        double m_double;
        bool m_bool;
        QDateTime m_date;
        Box* m_boxed;
    };
    quint32 m_offset = 0;
    quint32 m_size = 0;
    Form m_form = Form::Empty;

public:
    // Bytes that are no part of the value, kept for the bag: copies and moves carry them, and
    // a cell made from a Variant starts with them zero. Last, where the padding would be.
    std::array<std::uint8_t, 7> note{};
};

static_assert(sizeof(ValueCell) == 24, "a bag's value takes 24 bytes");

// The cells of one bag: a vector of 16 bytes instead of std::vector's 24 (counts of 32 bits),
// which lets an element of a large tree fit the allocator's next smaller size.
class CellArray {
public:
    CellArray() noexcept = default;
    CellArray(const CellArray& other);
    CellArray& operator=(const CellArray& other);
    CellArray(CellArray&& other) noexcept { swap(other); }
    CellArray& operator=(CellArray&& other) noexcept
    {
        CellArray taken(std::move(other));
        swap(taken);
        return *this;
    }
    ~CellArray();

    size_t size() const noexcept { return m_size; }
    size_t capacity() const noexcept { return m_capacity; }
    ValueCell& operator[](size_t at) noexcept { return m_cells[at]; }
    const ValueCell& operator[](size_t at) const noexcept { return m_cells[at]; }
    ValueCell& back() noexcept { return m_cells[m_size - 1]; }

    ValueCell& emplace_back(Variant&& value)
    {
        if (m_size == m_capacity)
            reallocate(m_size ? 2 * m_size : 1);
        ValueCell* cell = new (m_cells + m_size) ValueCell(std::move(value));
        ++m_size;
        return *cell;
    }
    void pop_back() noexcept { m_cells[--m_size].~ValueCell(); }
    // Removes the cell at `at`, closing the gap.
    void erase(size_t at) noexcept;
    void clear() noexcept;
    void reserve(size_t count)
    {
        if (count > m_capacity)
            reallocate(count);
    }
    void shrink_to_fit()
    {
        if (m_capacity > m_size)
            reallocate(m_size);
    }
    void swap(CellArray& other) noexcept
    {
        std::swap(m_cells, other.m_cells);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    // Cells move by their bytes: none points into itself.
    void reallocate(size_t capacity);

    ValueCell* m_cells = nullptr;
    quint32 m_size = 0;
    quint32 m_capacity = 0;
};

} // namespace vorn
