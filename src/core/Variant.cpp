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
    throw Error(
        ErrorConversion, QStringLiteral("Variant"),
        QStringLiteral("A value of type code %1 does not convert to %2").arg(v.typeCode()).arg(QLatin1String(target)));
}

QString dateText(const QDateTime& d)
{
    // Years 1 to 9999 are written directly: Qt's format writer costs more than the rest of a
    // value's script text.
    const QDate day = d.date();
    const QTime clock = d.time();
    if (day.isValid() && clock.isValid() && day.year() >= 1 && day.year() <= 9999) {
        char text[19];
        auto put = [&text](int at, int value, int width) {
            for (int k = width - 1; k >= 0; --k, value /= 10)
                text[at + k] = char('0' + value % 10);
        };
        put(0, day.year(), 4);
        text[4] = '-';
        put(5, day.month(), 2);
        text[7] = '-';
        put(8, day.day(), 2);
        if (clock == QTime(0, 0))
            return QString::fromLatin1(text, 10);
        text[10] = ' ';
        put(11, clock.hour(), 2);
        text[13] = ':';
        put(14, clock.minute(), 2);
        text[16] = ':';
        put(17, clock.second(), 2);
        return QString::fromLatin1(text, 19);
    }
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

double daysFromDate(const QDateTime& date) { return double(dayZero().msecsTo(date.toUTC())) / 86400000.0; }

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    auto digits = [&] {
        qsizetype from = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i - from;
    };
    qsizetype mantissa = digits();
    if (i < n && text[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (digits() > 0)
            end = i;
    }
    const QByteArray latin = text.mid(start, end - start).toLatin1();
    double d = 0;
    const char* first = latin.constData();
    if (*first == '+')
        ++first;
    std::from_chars(first, latin.constData() + latin.size(), d);
    return std::isfinite(d) ? d : 0;
}

qint32 positionOf(const Variant& value)
{
    if (value.isLong())
        return value.longValue();
    double d = 0;
    try {
        d = roundHalfEven(leadingNumber(value.toText()));
    } catch (const Error&) {
        return 0;
    }
    if (!(d >= std::numeric_limits<qint32>::min() && d <= std::numeric_limits<qint32>::max()))
        return 0;
    return qint32(d);
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
    case Kind::Long:
    case Kind::Double:
    case Kind::Bool:
    case Kind::Date: return true;
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

namespace {

// The number written with `count` digits from `at`, -1 when any of them is not a digit.
int digitsAt(QStringView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The usual forms "yyyy-MM-dd" and "HH:mm:ss" read directly: Qt's format parser costs more
// than the rest of a value's check. Anything else (an invalid result included) is left to it.
QDate isoDay(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return QDate();
    const int y = digitsAt(text, 0, 4), m = digitsAt(text, 5, 2), d = digitsAt(text, 8, 2);
    return y < 0 || m < 0 || d < 0 ? QDate() : QDate(y, m, d);
}

QTime isoClock(QStringView text)
{
    if (text.size() != 8 || text[2] != u':' || text[5] != u':')
        return QTime();
    const int h = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2), s = digitsAt(text, 6, 2);
    return h < 0 || m < 0 || s < 0 ? QTime() : QTime(h, m, s);
}

} // namespace

QDateTime Variant::toDate() const
{
    if (isDate())
        return date();
    if (isText()) {
        // Date and time are read apart: read together as local time, a time inside a
        // daylight-saving gap would not exist.
        const QString t = text().trimmed();
        const QChar separator = t.size() > 10 ? t.at(10) : QChar();
        QDate day = isoDay(QStringView(t).left(10));
        if (!day.isValid())
            day = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid() && separator != QLatin1Char('T'))
            day = QDate::fromString(t.left(10), QStringLiteral("dd.MM.yyyy"));
        QTime time(0, 0);
        if (t.size() > 10) {
            const QString clock = t.mid(11);
            time = isoClock(clock);
            if (!time.isValid())
                time = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
            if (!time.isValid())
                time = QTime::fromString(clock, QStringLiteral("HH:mm"));
            if (separator != QLatin1Char(' ') && separator != QLatin1Char('T'))
                time = QTime();
        }
        if (!day.isValid() || !time.isValid())
            mismatch(*this, "a date");
        return QDateTime(day, time, Qt::UTC);
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
