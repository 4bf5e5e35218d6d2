#include <vorn/Variant.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using vorn::Variant;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

} // namespace

TEST(VariantTest, Equality)
{
    // Numbers, Booleans and dates by value.
    EXPECT_EQ(Variant(qint32(5)), Variant(5.0));
    EXPECT_EQ(Variant(true), Variant(qint32(-1)));
    EXPECT_EQ(Variant(utc(1899, 12, 31)), Variant(1.0));
    EXPECT_NE(Variant(true), Variant(qint32(1)));
    // Texts exactly, and never equal to a number.
    EXPECT_EQ(Variant("abc"), Variant(u"abc"));
    EXPECT_NE(Variant("abc"), Variant("ABC"));
    EXPECT_NE(Variant("5"), Variant(qint32(5)));
    EXPECT_NE(Variant(5.0), Variant("5"));
    // Empty equals the empty text and 0, nothing else.
    EXPECT_EQ(Variant(), Variant(""));
    EXPECT_EQ(Variant(""), Variant());
    EXPECT_EQ(Variant(), Variant(false));
    EXPECT_NE(Variant(), Variant(" "));
    EXPECT_NE(Variant(), Variant(1.0));
    EXPECT_NE(Variant(), Variant::missing());
    EXPECT_EQ(Variant(vorn::VariantArray{ 1.0, "a" }), Variant(vorn::VariantArray{ qint32(1), "a" }));
    EXPECT_NE(Variant(vorn::VariantArray{ "a" }), Variant(vorn::VariantArray{ "a", "b" }));
}

TEST(VariantTest, Conversions)
{
    EXPECT_EQ(Variant(2.5).toLong(), 2);
    EXPECT_EQ(Variant(3.5).toLong(), 4);
    EXPECT_EQ(Variant("-2.5").toLong(), -2);
    EXPECT_EQ(Variant(true).toLong(), -1);
    EXPECT_THROW(Variant(3e9).toLong(), vorn::Error);
    EXPECT_THROW(Variant("12abc").toDouble(), vorn::Error);
    EXPECT_THROW(Variant::missing().toText(), vorn::Error);

    EXPECT_EQ(Variant(1.5).toText(), "1.5");
    EXPECT_EQ(Variant(false).toText(), "False");
    EXPECT_EQ(Variant(utc(2024, 2, 29)).toText(), "2024-02-29");
    EXPECT_EQ(Variant(utc(2024, 2, 29, 13, 5, 9)).toText(), "2024-02-29 13:05:09");
    EXPECT_TRUE(Variant("true").toBool());
    EXPECT_FALSE(Variant("0").toBool());

    EXPECT_EQ(Variant("2024-02-29").toDate(), utc(2024, 2, 29));
    EXPECT_EQ(Variant("2024-02-29T13:05").toDate(), utc(2024, 2, 29, 13, 5));
    EXPECT_EQ(Variant("29.02.2024 13:05:09").toDate(), utc(2024, 2, 29, 13, 5, 9));
    EXPECT_EQ(Variant(2.5).toDate(), utc(1900, 1, 1, 12));
    EXPECT_THROW(Variant("2023-02-29").toDate(), vorn::Error);
    EXPECT_THROW(Variant("29.02.2024T13:05").toDate(), vorn::Error);
    EXPECT_THROW(Variant(1e300).toDate(), vorn::Error);
}

// A time that local time skips (a daylight-saving gap) is still a valid calendar value.
TEST(VariantTest, DateTextIgnoresLocalTimeGaps)
{
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const bool gapExists = !QDateTime(QDate(2021, 3, 28), QTime(2, 30)).isValid();
    QDateTime read;
    EXPECT_NO_THROW(read = Variant("2021-03-28 02:30:00").toDate());
    if (saved.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", saved);
    tzset();
    EXPECT_EQ(read, utc(2021, 3, 28, 2, 30));
    if (!gapExists)
        GTEST_SKIP() << "no time zone data: the gap could not be reproduced";
}

TEST(VariantTest, RoundHalfEvenAndNumberText)
{
    EXPECT_EQ(vorn::roundHalfEven(0.5), 0);
    EXPECT_EQ(vorn::roundHalfEven(1.5), 2);
    EXPECT_EQ(vorn::roundHalfEven(-1.5), -2);
    EXPECT_EQ(vorn::roundHalfEven(2.500001), 3);
    EXPECT_EQ(vorn::numberText(5), "5");
    EXPECT_EQ(vorn::numberText(1.5), "1.5");
    EXPECT_EQ(vorn::numberText(1e20), "1e+20");
    EXPECT_EQ(vorn::numberText(-0.25), "-0.25");
}
