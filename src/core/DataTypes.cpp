#include "core/TextKeys.h"
#include "core/Vocabulary.h"
#include <vorn/CoreServices.h>
#include <vorn/DataTypes.h>

#include <charconv>
#include <cmath>
#include <optional>

namespace vorn {

namespace {

constexpr double MaxColor = 16777215.0;

bool isPassThrough(qint32 type)
{
    return type == TypeObject || type == TypeCollection || type == TypeArray || type == TypeBinary;
}

// Long and Double are the numbers of the conversion table; Bool and Date are named apart.
bool isNumber(const Variant& v) { return v.isLong() || v.isDouble(); }

std::optional<double> numberOf(const Variant& v, bool boolCounts)
{
    if (isNumber(v))
        return v.numeric();
    if (boolCounts && v.isBool())
        return v.numeric();
    if (v.isText()) {
        bool ok = false;
        const double d = CoreServices::readNumber(v.text(), &ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

std::optional<qint32> roundedLong(double d, double low, double high)
{
    const double r = roundHalfEven(d);
    if (!(r >= low && r <= high)) // NaN fails too
        return std::nullopt;
    return qint32(r);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// "#RRGGBB" as R + 256*G + 65536*B.
std::optional<qint32> colorFromHex(const QString& t)
{
    if (t.size() != 7 || t.at(0) != QLatin1Char('#'))
        return std::nullopt;
    qint32 parts[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = hexDigit(t.at(1 + 2 * i)), lo = hexDigit(t.at(2 + 2 * i));
        if (hi < 0 || lo < 0)
            return std::nullopt;
        parts[i] = hi * 16 + lo;
    }
    return parts[0] + 256 * parts[1] + 65536 * parts[2];
}

std::optional<Variant> toDateValue(const Variant& v)
{
    try {
        if (v.isDate())
            return v;
        if (v.isText())
            return Variant(v.toDate());
        if (isNumber(v))
            return Variant(dateFromDays(v.numeric()));
    } catch (const Error&) {
    }
    return std::nullopt;
}

std::optional<Variant> zeroValue(qint32 type)
{
    switch (type) {
    case TypeString: return Variant(QString());
    case TypeBool: return Variant(false);
    case TypeLong: return Variant(qint32(0));
    case TypeDouble: return Variant(0.0);
    case TypeDate: return Variant(dateFromDays(0));
    case TypeColor: return Variant(qint32(0));
    default: return Variant();
    }
}

[[noreturn]] void noScriptForm(const QString& what)
{
    throw Error(ErrorConversion, QStringLiteral("VALUETEXT"),
                what + QStringLiteral(" cannot be written as a script value"));
}

// The reader ends a text at a double quote, a line break ends the line, and a tab reads as a blank.
bool hasScriptForm(const QString& text)
{
    for (const QChar c : text) {
        if (c == vocabulary::Quote || c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            return false;
    }
    return true;
}

// The texts below are appended to `out`, so that a writer builds each line in one string; a
// value without a script form raises with part of its text appended.
void appendQuoted(QString& out, const QString& text, bool display)
{
    if (!display && !hasScriptForm(text))
        noScriptForm(QStringLiteral("The text '%1', which holds a double quote, a line break or a tab,").arg(text));
    out += vocabulary::Quote;
    out += text;
    out += vocabulary::Quote;
}

void appendDate(QString& out, const QDateTime& d)
{
    out += vocabulary::Quote;
    out += Variant(d).toText();
    out += vocabulary::Quote;
}

template <class Number>
void appendDecimal(QString& out, Number value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out += QLatin1String(buffer, result.ptr - buffer);
}

// Script text of a double: the reader takes no "-0" for a number, so zero is written "0"; it
// reads no NaN or infinity either (the display names them).
void appendNumber(QString& out, double value, bool display)
{
    if (!std::isfinite(value)) {
        if (!display)
            noScriptForm(QStringLiteral("The number ") + numberText(value));
        out += numberText(value);
        return;
    }
    appendDecimal(out, value == 0 ? 0.0 : value);
}

void appendOwnText(QString& out, const Variant& value, bool display);

// The reader takes an array's items as plain values: it reads no nested parentheses, and a date
// or an object inside would come back as something else, so those have no script form.
void appendArray(QString& out, const VariantArray& items, bool display)
{
    const qsizetype open = out.size();
    out += QLatin1Char('(');
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Variant& item = items[i];
        if (!display) {
            switch (item.kind()) {
            case Variant::Kind::Array: noScriptForm(QStringLiteral("An array inside an array"));
            case Variant::Kind::Date: noScriptForm(QStringLiteral("A date inside an array"));
            case Variant::Kind::Object: noScriptForm(QStringLiteral("An object inside an array"));
            default: break;
            }
        }
        if (i > 0)
            out += QStringLiteral(", ");
        appendOwnText(out, item, display);
    }
    // "()" is the empty array; one empty item needs a blank to be an item.
    if (out.size() == open + 1 && !items.empty())
        out += QLatin1Char(' ');
    out += QLatin1Char(')');
}

// The text of a value by its own kind: what ATOMIC writes and what a failed conversion falls back to.
void appendOwnText(QString& out, const Variant& value, bool display)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Missing: return;
    case Variant::Kind::Text: return appendQuoted(out, value.text(), display);
    case Variant::Kind::Long: return appendDecimal(out, value.longValue());
    case Variant::Kind::Double: return appendNumber(out, value.doubleValue(), display);
    case Variant::Kind::Bool: out += value.boolValue() ? QLatin1String("True") : QLatin1String("False"); return;
    case Variant::Kind::Date: return appendDate(out, value.date());
    case Variant::Kind::Array: return appendArray(out, value.array(), display);
    case Variant::Kind::Object:
        // An object has no script form; the display names its class.
        if (display && value.object())
            out += value.object()->className();
        return;
    }
}

QString ownText(const Variant& value, bool display)
{
    QString out;
    appendOwnText(out, value, display);
    return out;
}

} // namespace

QString DataTypes::TYPETEXT(qint32 type)
{
    switch (type) {
    case TypeObject: return QStringLiteral("OBJECT");
    case TypeCollection: return QStringLiteral("COLLECTION");
    case TypeArray: return QStringLiteral("ARRAY");
    case TypeBinary: return QStringLiteral("BINARY");
    case TypeAtomic: return QStringLiteral("ATOMIC");
    case TypeString: return QStringLiteral("STRING");
    case TypeEnum: return QStringLiteral("ENUM");
    case TypeBool: return QStringLiteral("BOOL");
    case TypeLong: return QStringLiteral("LONG");
    case TypeDouble: return QStringLiteral("DOUBLE");
    case TypeDate: return QStringLiteral("DATE");
    case TypeColor: return QStringLiteral("COLOR");
    default: return QString();
    }
}

qint32 DataTypes::TYPEOFVALUE(int typeCode)
{
    switch (typeCode) {
    case 2:
    case 3: return TypeLong;
    case 4:
    case 5: return TypeDouble;
    case 7: return TypeDate;
    case 8: return TypeString;
    case 9: return TypeObject;
    case 11: return TypeBool;
    case 8204: return TypeArray;
    default: return TypeAtomic;
    }
}

qint32 DataTypes::TYPEOFWORD(const QString& word)
{
    const QString w = upperCased(word);
    for (const qint32 type : { TypeString, TypeLong, TypeDouble, TypeBool, TypeDate, TypeAtomic, TypeColor }) {
        if (w == TYPETEXT(type))
            return type;
    }
    return TypeNone;
}

std::optional<bool> DataTypes::booleanWord(const QString& word) { return vocabulary::booleanWord(word); }

std::optional<Variant> DataTypes::tryConvert(const Variant& input, qint32 type)
{
    const Variant value = input.isMissing() ? Variant() : input;

    // Types that take any value; a type number the service does not know is treated alike.
    if (type == TypeAtomic || type == TypeEnum || isPassThrough(type) || TYPETEXT(type).isEmpty())
        return value;
    if (value.isObject() || value.isArray())
        return std::nullopt;
    if (value.isEmpty())
        return zeroValue(type);

    switch (type) {
    case TypeString: return Variant(value.toText());
    case TypeBool:
        if (value.isBool())
            return value;
        if (isNumber(value))
            return Variant(value.numeric() != 0);
        if (value.isText()) {
            if (const auto word = booleanWord(value.text()))
                return Variant(*word);
            if (const auto d = numberOf(value, false))
                return Variant(*d != 0);
        }
        return std::nullopt;
    case TypeLong:
        if (value.isLong())
            return value;
        if (const auto d = numberOf(value, true)) {
            if (const auto l = roundedLong(*d, -2147483648.0, 2147483647.0))
                return Variant(*l);
        }
        return std::nullopt;
    case TypeDouble:
        if (const auto d = numberOf(value, true))
            return Variant(*d);
        return std::nullopt;
    case TypeDate: return toDateValue(value);
    case TypeColor:
        if (value.isText()) {
            if (const auto c = colorFromHex(value.text()))
                return Variant(*c);
        }
        if (const auto d = numberOf(value, false)) {
            if (const auto l = roundedLong(*d, 0.0, MaxColor))
                return Variant(*l);
        }
        return std::nullopt;
    default: return std::nullopt;
    }
}

// A value that has the type's own form already converts to itself.
bool DataTypes::isOwnForm(const Variant& value, qint32 type) noexcept { return isOwnForm(value.kind(), type); }

Variant DataTypes::CONVERT(const Variant& value, qint32 type, const Variant& failure)
{
    if (isOwnForm(value, type))
        return value;
    if (auto converted = tryConvert(value, type))
        return std::move(*converted);
    return failure;
}

QString DataTypes::VALUETEXT(const Variant& value, qint32 type)
{
    QString out;
    appendValueText(out, value, type);
    return out;
}

void DataTypes::appendValueText(QString& out, const Variant& value, qint32 type)
{
    if (type == -1)
        return appendOwnText(out, value, true);
    if (value.isArray())
        return appendArray(out, value.array(), false);

    // A value of the type's own form is written as it is, without the copy a conversion makes.
    std::optional<Variant> converted;
    if (!isOwnForm(value, type)) {
        converted = tryConvert(value, type);
        if (!converted)
            return appendOwnText(out, value, false);
    }
    const Variant& v = converted ? *converted : value;
    switch (type) {
    case TypeString: return appendQuoted(out, v.text(), false);
    case TypeBool: out += v.boolValue() ? QLatin1String("True") : QLatin1String("False"); return;
    case TypeLong:
    case TypeColor: return appendDecimal(out, v.longValue());
    case TypeDouble: return appendNumber(out, v.doubleValue(), false);
    case TypeDate: return appendDate(out, v.date());
    default:
        // ATOMIC, ENUM and the pass-through types write the value by its own kind.
        return appendOwnText(out, v, false);
    }
}

QString DataTypes::FORMAT(const Variant& value) { return ownText(value, true); }

} // namespace vorn
