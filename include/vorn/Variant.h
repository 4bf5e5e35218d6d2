#pragma once
// The tagged value behind attribute values, defaults, keys and package entries.

#include <vorn/Object.h>

#include <QDateTime>
#include <QString>

#include <cstdint>
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

    Variant() noexcept = default;
    Variant(const QString& text) : m_value(text) {}
    Variant(QString&& text) noexcept : m_value(std::move(text)) {}
    Variant(const char16_t* text) : m_value(QString::fromUtf16(text)) {}
    Variant(const char* utf8) : m_value(QString::fromUtf8(utf8)) {}
    Variant(qint32 number) noexcept : m_value(number) {}
    Variant(double number) noexcept : m_value(number) {}
    Variant(bool flag) noexcept : m_value(flag) {}
    Variant(const QDateTime& date) : m_value(date) {}
    Variant(Ref<Object> object) noexcept : m_value(std::move(object)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(Ref<T> object) noexcept : m_value(Ref<Object>(std::move(object)))
    {
    }
    Variant(VariantArray array) noexcept : m_value(std::move(array)) {}

    // The value of an optional argument that was not given.
    static Variant missing()
    {
        Variant v;
        v.m_value = MissingTag{};
        return v;
    }

    Kind kind() const noexcept { return static_cast<Kind>(m_value.index()); }
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
    const QString& text() const { return std::get<QString>(m_value); }
    qint32 longValue() const { return std::get<qint32>(m_value); }
    double doubleValue() const { return std::get<double>(m_value); }
    bool boolValue() const { return std::get<bool>(m_value); }
    const QDateTime& date() const { return std::get<QDateTime>(m_value); }
    const Ref<Object>& object() const { return std::get<Ref<Object>>(m_value); }
    const VariantArray& array() const { return std::get<VariantArray>(m_value); }
    VariantArray& array() { return std::get<VariantArray>(m_value); }

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
    struct MissingTag {
        bool operator==(const MissingTag&) const = default;
    };
    std::variant<std::monostate, MissingTag, QString, qint32, double, bool, QDateTime, Ref<Object>, VariantArray>
        m_value;
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
