#pragma once
// The attribute data types and the service that names, converts and writes values of them.

#include <vorn/Variant.h>

#include <optional>

namespace vorn {

enum DataType : qint32 {
    TypeNone = 0,
    TypeObject = 70,
    TypeCollection = 71,
    TypeArray = 80,
    TypeBinary = 81,
    TypeAtomic = 99,
    TypeString = 100,
    TypeEnum = 101,
    TypeBool = 102,
    TypeLong = 103,
    TypeDouble = 104,
    TypeDate = 105,
    TypeColor = 106,
};

class DataTypes {
public:
    // The name of a data type ("STRING", "LONG", ...); "" for an unknown number.
    static QString TYPETEXT(qint32 type);
    // The data type for values of an automation type code.
    static qint32 TYPEOFVALUE(int typeCode);
    // The value's script text for a data type.
    static QString VALUETEXT(const Variant& value, qint32 type);
    // VALUETEXT appended to `out`, for code that builds a line of several values; when the
    // value has no script form it raises as VALUETEXT does, and `out` may hold part of it.
    static void appendValueText(QString& out, const Variant& value, qint32 type);
    // The value converted to the data type, or the failure value when it does not fit.
    static Variant CONVERT(const Variant& value, qint32 type, const Variant& failure = QStringLiteral("!ERROR!"));
    static std::optional<Variant> tryConvert(const Variant& value, qint32 type);
    // Whether CONVERT would answer the value itself: a text for STRING, a Long for LONG, ...
    static bool isOwnForm(const Variant& value, qint32 type) noexcept;
    static bool isOwnForm(Variant::Kind kind, qint32 type) noexcept
    {
        switch (type) {
        case TypeString: return kind == Variant::Kind::Text;
        case TypeDouble: return kind == Variant::Kind::Double;
        case TypeLong: return kind == Variant::Kind::Long;
        case TypeBool: return kind == Variant::Kind::Bool;
        default: return false;
        }
    }
    // The display text of a value (VALUETEXT with -1).
    static QString FORMAT(const Variant& value);
    // STRING, LONG, DOUBLE, BOOL, DATE, ATOMIC, COLOR (any case) to their numbers; else 0.
    static qint32 TYPEOFWORD(const QString& word);
    // The reader's Boolean words: WAHR TRUE YES OK JA and NO FALSE NEIN (any case).
    static std::optional<bool> booleanWord(const QString& word);
};

} // namespace vorn
