#include <vorn/CoreServices.h>
#include <vorn/Variant.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace vorn {

namespace {

const QDateTime& dayZero()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return zero;
}

[[noreturn]] void mismatch(const Variant& v, const char* target)
{
    throw Error(ErrorConversion, QStringLiteral("Variant"),
                QStringLiteral("A value of type code %1 does not convert to %2")
                    .arg(v.typeCode()).arg(QLatin1String(target)));
}

QString dateText(const QDateTime& d)
{
    if (d.time() == QTime(0, 0))
        return d.toString(QStringLiteral("yyyy-MM-dd"));
    return d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QDateTime dateFromDays(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        throw Error(ErrorOverflow, QStringLiteral("Variant"), QStringLiteral("The date number is out of range"));
    const auto msecs = qint64(std::llround(days * 86400000.0));
    return dayZero().addMSecs(msecs);
}

double daysFromDate(const QDateTime& date)
{
    return double(dayZero().msecsTo(date.toUTC())) / 86400000.0;
}

int Variant::typeCode() const noexcept
{
    switch (kind()) {
    case Kind::Empty: return CodeEmpty;
    case Kind::Missing: return CodeMissing;
    case Kind::Text: return CodeText;
    case Kind::Long: return CodeLong;
    case Kind::Double: return CodeDouble;
    case Kind::Bool: return CodeBool;
    case Kind::Date: return CodeDate;
    case Kind::Object: return CodeObject;
    case Kind::Array: return CodeArray;
    }
    return CodeEmpty;
}

bool Variant::isNumeric() const noexcept
{
    switch (kind()) {
    case Kind::Long: case Kind::Double: case Kind::Bool: case Kind::Date: return true;
    default: return false;
    }
}

double Variant::numeric() const
{
    switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Long: return longValue();
    case Kind::Double: return doubleValue();
    case Kind::Bool: return boolValue() ? -1 : 0;
    case Kind::Date: return daysFromDate(date());
    default: mismatch(*this, "a number");
    }
}

QString Variant::toText() const
{
    switch (kind()) {
    case Kind::Empty: return QString();
    case Kind::Text: return text();
    case Kind::Long: return QString::number(longValue());
    case Kind::Double: return numberText(doubleValue());
    case Kind::Bool: return boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Date: return dateText(date());
    default: mismatch(*this, "text");
    }
}

double Variant::toDouble() const
{
    if (isText()) {
        bool ok = false;
        const double d = CoreServices::readNumber(text(), &ok);
        if (!ok)
            mismatch(*this, "a number");
        return d;
    }
    return numeric();
}

qint32 Variant::toLong() const
{
    if (isLong())
        return longValue();
    const double d = roundHalfEven(toDouble());
    if (!(d >= std::numeric_limits<qint32>::min() && d <= std::numeric_limits<qint32>::max()))
        throw Error(ErrorOverflow, QStringLiteral("Variant"), QStringLiteral("The number does not fit 32 bits"));
    return qint32(d);
}

bool Variant::toBool() const
{
    if (isBool())
        return boolValue();
    if (isText()) {
        const QString t = text().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble() != 0;
}

QDateTime Variant::toDate() const
{
    if (isDate())
        return date();
    if (isText()) {
        const QString t = text().trimmed();
        for (const auto& format : { QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                    QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy-MM-ddTHH:mm"),
                                    QStringLiteral("dd.MM.yyyy HH:mm:ss"), QStringLiteral("dd.MM.yyyy HH:mm") }) {
            QDateTime d = QDateTime::fromString(t, format);
            if (d.isValid()) {
                d.setTimeSpec(Qt::UTC);
                return d;
            }
        }
        for (const auto& format : { QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd.MM.yyyy") }) {
            const QDate d = QDate::fromString(t, format);
            if (d.isValid())
                return QDateTime(d, QTime(0, 0), Qt::UTC);
        }
        mismatch(*this, "a date");
    }
    return dateFromDays(toDouble());
}

Ref<Object> Variant::toObject() const
{
    if (isObject())
        return object();
    if (isEmpty())
        return {};
    mismatch(*this, "an object");
}

bool operator==(const Variant& a, const Variant& b)
{
    using K = Variant::Kind;
    const K ka = a.kind(), kb = b.kind();
    if (ka == K::Text && kb == K::Text)
        return a.text() == b.text();
    if (ka == K::Empty && kb == K::Text)
        return b.text().isEmpty();
    if (kb == K::Empty && ka == K::Text)
        return a.text().isEmpty();
    if ((a.isNumeric() || ka == K::Empty) && (b.isNumeric() || kb == K::Empty))
        return a.numeric() == b.numeric();
    if (ka != kb)
        return false;
    switch (ka) {
    case K::Missing: return true;
    case K::Object: return a.object() == b.object();
    case K::Array: return a.array() == b.array();
    default: return false;
    }
}

} // namespace vorn
