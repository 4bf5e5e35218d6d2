#include <vorn/ValueCell.h>

#include <stdexcept>

namespace vorn {

void ValueCell::takeOther(Variant&& value) noexcept
{
    m_bits = 0;
    m_offset = 0;
    m_size = 0;
    switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Missing: break;
    case Variant::Kind::Long: m_long = value.longValue(); break;
    case Variant::Kind::Double: m_double = value.doubleValue(); break;
    case Variant::Kind::Bool: m_bool = value.boolValue(); break;
    case Variant::Kind::Date: new (&m_date) QDateTime(value.date()); break;
    case Variant::Kind::Text:
        if (QString::DataPointer& text = const_cast<QString&>(value.text()).data_ptr();
            !text.d_ptr() && quint64(text.size) <= 0xFFFFFFFFu) {
            // Characters without a header (fromRawData, or none: null stays null).
            m_raw = text.data();
            m_size = quint32(text.size);
            m_form = Form::RawText;
            return;
        }
        [[fallthrough]];
    default:
        m_boxed = new Box{ std::move(value), ValuePlace() };
        m_form = Form::Boxed;
        return;
    }
    m_form = Form(value.kind());
}

void ValueCell::copyFrom(const ValueCell& other)
{
    m_offset = other.m_offset;
    m_size = other.m_size;
    switch (other.m_form) {
    case Form::Date: new (&m_date) QDateTime(other.m_date); break;
    case Form::SharedText:
        m_header = other.m_header;
        m_header->ref();
        break;
    case Form::Boxed: m_boxed = new Box(*other.m_boxed); break;
    default: m_bits = other.m_bits; break;
    }
    m_form = other.m_form;
    note = other.note;
}

void ValueCell::releaseOwned() noexcept
{
    switch (m_form) {
    case Form::Date: m_date.~QDateTime(); break;
    case Form::Boxed: delete m_boxed; break;
    default: break;
    }
}

QStringView ValueCell::otherText() const noexcept
{
    switch (m_form) {
    case Form::RawText: return QStringView(m_raw, qsizetype(m_size));
    case Form::Boxed: return m_boxed->value.isText() ? QStringView(m_boxed->value.text()) : QStringView();
    default: return QStringView();
    }
}

Variant ValueCell::otherValue() const
{
    switch (m_form) {
    case Form::Empty: return Variant();
    case Form::Missing: return Variant::missing();
    case Form::Long: return Variant(m_long);
    case Form::Double: return Variant(m_double);
    case Form::Bool: return Variant(m_bool);
    case Form::Date: return Variant(m_date);
    case Form::RawText: return Variant(QString(QString::DataPointer(nullptr, const_cast<char16_t*>(m_raw), m_size)));
    case Form::Boxed: return m_boxed->value;
    case Form::SharedText: return value();
    }
    return Variant();
}

void ValueCell::keepPlace(const ValuePlace& place)
{
    if (m_form != Form::Boxed) {
        Box* box = new Box{ value(), place };
        release();
        m_boxed = box;
        m_form = Form::Boxed;
        return;
    }
    m_boxed->place = place;
}

CellArray::CellArray(const CellArray& other)
{
    reserve(other.m_size);
    for (; m_size < other.m_size; ++m_size)
        new (m_cells + m_size) ValueCell(other.m_cells[m_size]);
}

CellArray& CellArray::operator=(const CellArray& other)
{
    if (this != &other) {
        CellArray copy(other);
        swap(copy);
    }
    return *this;
}

CellArray::~CellArray()
{
    clear();
    ::operator delete(m_cells);
}

void CellArray::erase(size_t at) noexcept
{
    m_cells[at].~ValueCell();
    std::memmove(static_cast<void*>(m_cells + at), m_cells + at + 1, (m_size - at - 1) * sizeof(ValueCell));
    --m_size;
}

void CellArray::clear() noexcept
{
    for (quint32 i = 0; i < m_size; ++i)
        m_cells[i].~ValueCell();
    m_size = 0;
}

void CellArray::reallocate(size_t capacity)
{
    if (capacity > 0xFFFFFFFFu)
        throw std::length_error("an attribute bag holds at most 2^32 - 1 values");
    auto* cells = capacity ? static_cast<ValueCell*>(::operator new(capacity * sizeof(ValueCell))) : nullptr;
    if (m_size)
        std::memcpy(static_cast<void*>(cells), m_cells, m_size * sizeof(ValueCell));
    ::operator delete(m_cells);
    m_cells = cells;
    m_capacity = quint32(capacity);
}

} // namespace vorn
