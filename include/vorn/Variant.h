#pragma once
// The tagged value behind attribute values, defaults, keys and package entries.

#include <vorn/Object.h>

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <variant>
#include <vector>

namespace vorn {

class Variant;
using VariantArray = std::vector<Variant>;

class Variant {
public:
    enum class Kind : std::uint8_t { Empty, Missing, Text, Long, Double, Bool, Date, Object, Array };

    // Automation type codes, as TYPEOFVALUE expects them.
    enum TypeCode : int {
        CodeEmpty = 0,
        CodeLong = 3,
        CodeDouble = 5,
        CodeDate = 7,
        CodeText = 8,
        CodeObject = 9,
        CodeMissing = 10,
        CodeBool = 11,
        CodeArray = 8204
    };

    Variant() noexcept {}
    Variant(const QString& text) : m_text(text), m_kind(Kind::Text) {}
    Variant(QString&& text) noexcept : m_text(std::move(text)), m_kind(Kind::Text) {}
    Variant(const char16_t* text) : Variant(QString::fromUtf16(text)) {}
    Variant(const char* utf8) : Variant(QString::fromUtf8(utf8)) {}
    Variant(qint32 number) noexcept : m_long(number), m_kind(Kind::Long) {}
    Variant(double number) noexcept : m_double(number), m_kind(Kind::Double) {}
    Variant(bool flag) noexcept : m_bool(flag), m_kind(Kind::Bool) {}
    Variant(const QDateTime& date) : m_date(date), m_kind(Kind::Date) {}
    Variant(Ref<Object> object) noexcept : m_object(std::move(object)), m_kind(Kind::Object) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(Ref<T> object) noexcept : Variant(Ref<Object>(std::move(object)))
    {
    }
    Variant(VariantArray array) noexcept : m_array(std::move(array)), m_kind(Kind::Array) {}

    // A moved-from value keeps its kind with a moved-from content, as std::variant leaves it.
    Variant(const Variant& other) { copyFrom(other); }
    Variant(Variant&& other) noexcept { moveFrom(other); }
    Variant& operator=(const Variant& other)
    {
        if (this != &other) {
            Variant copy(other);
            destroy();
            moveFrom(copy);
        }
        return *this;
    }
    // An array or object is left through a temporary, so that a value may be assigned one of
    // its own items; nothing else can own `other`.
    Variant& operator=(Variant&& other) noexcept
    {
        if (this == &other)
            return *this;
        if (m_kind == Kind::Array || m_kind == Kind::Object) {
            Variant taken(std::move(other));
            destroy();
            moveFrom(taken);
        } else {
            destroy();
            moveFrom(other);
        }
        return *this;
    }
    ~Variant() { destroy(); }

    // The value of an optional argument that was not given.
    static Variant missing()
    {
        Variant v;
        v.m_kind = Kind::Missing;
        return v;
    }

    Kind kind() const noexcept { return m_kind; }
    int typeCode() const noexcept;

    bool isEmpty() const noexcept { return kind() == Kind::Empty; }
    bool isMissing() const noexcept { return kind() == Kind::Missing; }
    bool isText() const noexcept { return kind() == Kind::Text; }
    bool isLong() const noexcept { return kind() == Kind::Long; }
    bool isDouble() const noexcept { return kind() == Kind::Double; }
    bool isBool() const noexcept { return kind() == Kind::Bool; }
    bool isDate() const noexcept { return kind() == Kind::Date; }
    bool isObject() const noexcept { return kind() == Kind::Object; }
    bool isArray() const noexcept { return kind() == Kind::Array; }
    // Long, Double, Bool and Date compare by their numeric value.
    bool isNumeric() const noexcept;

    // Direct access; the kind must match.
    const QString& text() const { return expect(Kind::Text), m_text; }
    qint32 longValue() const { return expect(Kind::Long), m_long; }
    double doubleValue() const { return expect(Kind::Double), m_double; }
    bool boolValue() const { return expect(Kind::Bool), m_bool; }
    const QDateTime& date() const { return expect(Kind::Date), m_date; }
    const Ref<Object>& object() const { return expect(Kind::Object), m_object; }
    const VariantArray& array() const { return expect(Kind::Array), m_array; }
    VariantArray& array() { return expect(Kind::Array), m_array; }

    // Conversions as the automation model makes them; a value that does not convert raises Error.
    QString toText() const;
    qint32 toLong() const; // numbers rounded half to even; Bool gives -1 or 0
    double toDouble() const;
    bool toBool() const;
    QDateTime toDate() const;
    Ref<Object> toObject() const; // Empty gives none

    // Numeric value of Long, Double, Bool (-1/0), Date (days since 1899-12-30) and Empty (0).
    double numeric() const;

    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }

private:
    // A value of another kind raises what std::get raises.
    void expect(Kind kind) const
    {
        if (m_kind != kind)
            throw std::bad_variant_access();
    }
    // Hand-written rather than std::variant: copies, moves and ends of the scalar kinds, which
    // most values are, are then plain stores instead of a dispatch through a table.
    void destroy() noexcept
    {
        if (m_kind < Kind::Text || (m_kind > Kind::Text && m_kind < Kind::Date))
            return; // a scalar: nothing to end, and no call for it
        destroyMember();
    }
    void destroyMember() noexcept
    {
        switch (m_kind) {
        case Kind::Text: std::destroy_at(&m_text); break;
        case Kind::Date: std::destroy_at(&m_date); break;
        case Kind::Object: std::destroy_at(&m_object); break;
        case Kind::Array: std::destroy_at(&m_array); break;
        default: break;
        }
    }
    // Into raw storage: no live member.
    void copyFrom(const Variant& other)
    {
        switch (other.m_kind) {
        case Kind::Text: std::construct_at(&m_text, other.m_text); break;
        case Kind::Date: std::construct_at(&m_date, other.m_date); break;
        case Kind::Object: std::construct_at(&m_object, other.m_object); break;
        case Kind::Array: std::construct_at(&m_array, other.m_array); break;
        default: std::memcpy(&m_raw, &other.m_raw, sizeof m_raw); break;
        }
        m_kind = other.m_kind;
    }
    void moveFrom(Variant& other) noexcept
    {
        switch (other.m_kind) {
        case Kind::Text: std::construct_at(&m_text, std::move(other.m_text)); break;
        case Kind::Date: std::construct_at(&m_date, std::move(other.m_date)); break;
        case Kind::Object: std::construct_at(&m_object, std::move(other.m_object)); break;
        case Kind::Array: std::construct_at(&m_array, std::move(other.m_array)); break;
        default: std::memcpy(&m_raw, &other.m_raw, sizeof m_raw); break;
        }
        m_kind = other.m_kind;
    }

    union {
        double m_raw = 0; // holds the bits of every scalar kind
        QString m_text;
        qint32 m_long;
        double m_double;
        bool m_bool;
        QDateTime m_date;
        Ref<Object> m_object;
        VariantArray m_array;
    };
    Kind m_kind = Kind::Empty;
    // An attribute bag's cell takes and gives scalars as their bits.
    friend class ValueCell;
};

static_assert(sizeof(Variant) <= 32, "a Variant holds its text in place within 32 bytes");

// Dates are held in UTC and read as plain calendar values (no time zones).
QDateTime dateFromDays(double days);
double daysFromDate(const QDateTime& date);

// Rounding of the automation model: to the nearest integer, halves to the even neighbour.
double roundHalfEven(double value);

// The leading decimal number of a text ("12abc" gives 12, "abc" 0), blanks before it skipped.
double leadingNumber(QStringView text);
// A value taken as a position: its text's leading number, rounded half to even; 0 when the
// value has no text form or the number does not fit 32 bits.
qint32 positionOf(const Variant& value);

// The shortest text that reads back as the same double ("5", "1.5", "1e+20").
QString numberText(double value);

} // namespace vorn
