#include "support/Dump.h"
#include "support/Golden.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <ctime>

using namespace vorn;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

struct Thing final : Object {
    QString className() const override { return QStringLiteral("cls_Thing"); }
};

// A value as support::described() writes it: long 5, text "x", array (long 1, empty), ...; in a
// text \n, \r, \t and \0 stand for line feed, carriage return, tab and NUL.
Variant valueOf(const QString& text, qsizetype& at)
{
    qsizetype end = at;
    while (end < text.size() && text[end].isLetter())
        ++end;
    const QString kind = text.mid(at, end - at);
    at = end < text.size() && text[end] == u' ' ? end + 1 : end;
    auto word = [&] {
        end = at;
        while (end < text.size() && text[end] != u',' && text[end] != u')')
            ++end;
        const QString w = text.mid(at, end - at);
        at = end;
        return w;
    };
    if (kind == u"empty" || kind == u"missing")
        return kind == u"empty" ? Variant() : Variant::missing();
    if (kind == u"long")
        return word().toInt();
    if (kind == u"double") {
        const QString w = word();
        return w == u"nan" ? std::nan("") : w.toDouble();
    }
    if (kind == u"bool")
        return word() == u"True";
    if (kind == u"date") { // year-month-day, then hours:minutes:seconds.milliseconds if given
        static const QRegularExpression form(
            QStringLiteral("^(-?\\d+)-(\\d+)-(\\d+)(?: (\\d+):(\\d+):(\\d+))?(?:\\.(\\d+))?$"));
        const QRegularExpressionMatch m = form.match(word());
        auto n = [&](int i) { return m.captured(i).toInt(); };
        return QDateTime(QDate(n(1), n(2), n(3)), QTime(n(4), n(5), n(6), n(7)), Qt::UTC);
    }
    if (kind == u"object")
        return Ref<Object>(word() == u"none" ? nullptr : std::make_shared<Thing>());
    if (kind == u"text") {
        QString t;
        for (++at; text[at] != u'"'; ++at) {
            const qsizetype escape = text[at] == u'\\' ? QStringLiteral("nrt0").indexOf(text[++at]) : -1;
            t += escape < 0 ? text[at] : QStringLiteral("\n\r\t\0")[escape];
        }
        ++at;
        return t;
    }
    VariantArray items; // array (...)
    for (++at; text[at] != u')';) {
        items.push_back(valueOf(text, at));
        if (text[at] == u',')
            at += 2;
    }
    ++at;
    return items;
}

} // namespace

TEST(DataTypesTest, VariantEqualityAndRounding)
{
    // Numbers, Booleans and dates by value; texts exactly and never equal to a number; Empty
    // equals the empty text and 0.
    const std::tuple<Variant, Variant, bool> pairs[] = {
        { qint32(5), 5.0, true },
        { true, qint32(-1), true },
        { utc(1899, 12, 31), 1.0, true },
        { true, qint32(1), false },
        { "abc", u"abc", true },
        { "abc", "ABC", false },
        { "5", qint32(5), false },
        { 5.0, "5", false },
        { Variant(), "", true },
        { "", Variant(), true },
        { Variant(), false, true },
        { Variant(), " ", false },
        { Variant(), 1.0, false },
        { Variant(), Variant::missing(), false },
        { VariantArray{ 1.0, "a" }, VariantArray{ qint32(1), "a" }, true },
        { VariantArray{ "a" }, VariantArray{ "a", "b" }, false },
    };
    for (const auto& [a, b, equal] : pairs)
        EXPECT_EQ(a == b, equal) << DataTypes::FORMAT(a).toStdString() << " vs " << DataTypes::FORMAT(b).toStdString();

    // The value's own conversions and number texts are in data/types/values.expected.
    for (const auto& [value, rounded] : { std::pair{ 0.5, 0 }, { 1.5, 2 }, { -1.5, -2 }, { 2.500001, 3 } })
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
}

// Values own what they hold: copies share texts and objects, assignment may take a value's
// own array item, a moved-from value keeps its kind, and a wrong kind is refused.
TEST(DataTypesTest, VariantOwnership)
{
    const auto thing = std::make_shared<Thing>();
    Variant nested = VariantArray{ VariantArray{ "inner", qint32(7) }, thing };
    nested = nested.array()[0]; // a copy of one of its own items
    ASSERT_TRUE(nested.isArray());
    EXPECT_EQ(nested, (VariantArray{ "inner", qint32(7) }));
    nested = std::move(nested.array()[0]); // the same by move
    EXPECT_EQ(nested, Variant("inner"));

    Variant holder = Variant(Ref<Object>(thing));
    EXPECT_EQ(thing.use_count(), 2);
    Variant copy = holder;
    EXPECT_EQ(thing.use_count(), 3);
    copy = 2.5; // an object replaced by a scalar lets it go
    EXPECT_EQ(thing.use_count(), 2);
    Variant moved = std::move(holder);
    EXPECT_TRUE(holder.isObject());
    EXPECT_EQ(holder.object(), nullptr);
    EXPECT_EQ(moved.object(), thing);
    moved = Variant();
    holder = Variant();
    EXPECT_EQ(thing.use_count(), 1);

    for (Variant v :
         { Variant(true), Variant(qint32(-3)), Variant(1e300), Variant::missing(), Variant(utc(2020, 2, 29)) }) {
        const Variant again = v;
        Variant taken = std::move(v);
        EXPECT_EQ(taken.kind(), again.kind());
        EXPECT_TRUE(taken == again || taken.isMissing());
    }
    EXPECT_THROW((void)Variant(qint32(1)).text(), std::bad_variant_access);
    EXPECT_THROW((void)Variant("1").longValue(), std::bad_variant_access);
}

// A time that local time skips (a daylight-saving gap) is still a valid calendar value.
TEST(DataTypesTest, DateTextIgnoresLocalTimeGaps)
{
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const bool gapExists = !QDateTime(QDate(2021, 3, 28), QTime(2, 30)).isValid();
    QDateTime read;
    EXPECT_NO_THROW(read = Variant("2021-03-28 02:30:00").toDate());
    saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
    tzset();
    EXPECT_EQ(read, utc(2021, 3, 28, 2, 30));
    if (!gapExists)
        GTEST_SKIP() << "no time zone data: the gap could not be reproduced";
}

TEST(DataTypesTest, NamesAndNumbers)
{
    const std::pair<qint32, const char*> names[] = { { 70, "OBJECT" },  { 71, "COLLECTION" }, { 80, "ARRAY" },
                                                     { 81, "BINARY" },  { 99, "ATOMIC" },     { 100, "STRING" },
                                                     { 101, "ENUM" },   { 102, "BOOL" },      { 103, "LONG" },
                                                     { 104, "DOUBLE" }, { 105, "DATE" },      { 106, "COLOR" },
                                                     { 0, "" },         { 107, "" },          { -1, "" } };
    for (const auto& [type, name] : names)
        EXPECT_EQ(DataTypes::TYPETEXT(type), QLatin1String(name)) << type;
    // Variant type codes (2 integer, 3 long, 4 single, 5 double, ...) to data types.
    const std::pair<int, qint32> codes[] = { { 0, 99 },  { 2, 103 }, { 3, 103 },  { 4, 104 },   { 5, 104 }, { 7, 105 },
                                             { 8, 100 }, { 9, 70 },  { 11, 102 }, { 8204, 80 }, { 10, 99 } };
    for (const auto& [code, type] : codes)
        EXPECT_EQ(DataTypes::TYPEOFVALUE(code), type) << code;

    EXPECT_EQ(DataTypes::TYPEOFWORD("Color"), TypeColor);
    EXPECT_EQ(DataTypes::TYPEOFWORD("ENUM"), 0); // fixed by its caller
    EXPECT_EQ(DataTypes::TYPEOFWORD(" LONG"), 0);
    EXPECT_EQ(DataTypes::booleanWord("TRUE "), std::nullopt); // the words themselves: data/parse/reader-values
}

// data/types/values.values: each value converted by itself (toLong, toDouble, toText, toBool,
// toDate), packed and unpacked, stored in a record and read back, converted to every data type
// and written as script text for it, compared with values.expected (see support/Golden.h;
// VORN_UPDATE_GOLDEN=1).
TEST(DataTypesTest, EveryValueToEveryType)
{
    auto own = [](auto convert) {
        try {
            return support::described(Variant(convert()));
        } catch (const Error&) {
            return QStringLiteral("fails");
        }
    };
    QTemporaryDir dir;
    const QString record = dir.filePath("value.rec");
    QString out;
    for (const QString& line : golden::script("types", "values", ".values").split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        qsizetype at = 0;
        const Variant v = valueOf(line, at);
        out += support::described(v) + '\n';
        out += "  own: " + own([&] { return v.toLong(); }) + ", " + own([&] { return v.toDouble(); }) + ", "
            + own([&] { return v.toText(); }) + ", " + own([&] { return v.toBool(); }) + ", "
            + own([&] { return v.toDate(); }) + '\n';
        out += "  package " + own([&] { return Variant(Package::PACK({ v })); }) + ", back "
            + own([&] { return Package::UNPACK(Package::PACK({ v }), 1)[0]; }) + '\n';
        out += "  record back " + own([&] {
                   support::writeRecord(record, { v });
                   return support::openRecord(record)->READVALUE();
               })
            + '\n';
        for (qint32 type : { 99, 100, 101, 102, 103, 104, 105, 106, 70, 80, -1 }) {
            const auto converted = type < 0 ? std::nullopt : DataTypes::tryConvert(v, type);
            QString written;
            try {
                written = DataTypes::VALUETEXT(v, type);
            } catch (const Error& e) {
                written = QStringLiteral("! error %1: %2").arg(e.number()).arg(e.description());
            }
            // Appended after other text it is the same text, or the same failure.
            QString appended = QStringLiteral("x");
            try {
                DataTypes::appendValueText(appended, v, type);
                EXPECT_EQ(appended, QStringLiteral("x") + written) << qPrintable(line);
            } catch (const Error& e) {
                EXPECT_EQ(QStringLiteral("! error %1: %2").arg(e.number()).arg(e.description()), written)
                    << qPrintable(line);
            }
            out += QStringLiteral("  %1: %2, written %3\n")
                       .arg(type < 0 ? QStringLiteral("shown") : DataTypes::TYPETEXT(type),
                            type < 0        ? QStringLiteral("-")
                                : converted ? support::described(*converted)
                                            : QStringLiteral("fails"),
                            support::escaped(written));
        }
    }
    golden::expectMatches("types", "values", out);
    EXPECT_EQ(DataTypes::CONVERT("x", TypeLong), Variant("!ERROR!"));
    EXPECT_EQ(DataTypes::CONVERT("x", TypeLong, qint32(-9)), Variant(qint32(-9)));
}
