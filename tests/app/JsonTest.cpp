// `vorn dump` writes JSON that a strict parser takes, whatever texts the structure holds.
#include "JsonWriter.h"
#include "support/Program.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <random>
#include <string_view>

namespace {

// Valid UTF-8 and valid JSON; no escaped surrogate half, which no Unicode text holds.
::testing::AssertionResult strictJson(const QByteArray& bytes, QJsonDocument* document = nullptr)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return ::testing::AssertionFailure() << "not UTF-8";
    static const QRegularExpression half(QStringLiteral("\\\\u[dD][89a-fA-F]"));
    if (text.contains(half))
        return ::testing::AssertionFailure() << "an escaped surrogate half";
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return ::testing::AssertionFailure() << error.errorString().toStdString() << " at " << error.offset;
    if (document)
        *document = parsed;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(JsonWriterTest, AnyTextIsWrittenAsValidJson)
{
    std::mt19937 random(3);
    for (int round = 0; round < 2000; ++round) {
        QString text, expected;
        for (int i = int(random() % 12); i > 0; --i) {
            // Mostly the awkward code units: controls, quotes, backslashes, surrogate halves.
            const char16_t pool[] = { 0,     1,     0x1f,   '"',    '\\',   '/',    'a',    0x7f,  0x80,
                                      0x7ff, 0x800, 0xfffe, 0xffff, 0xd800, 0xdbff, 0xdc00, 0xdfff };
            const char16_t u = random() % 3 ? pool[random() % std::size(pool)] : char16_t(random());
            text += QChar(u);
        }
        // What a reader gets back: a lone half is the replacement character, a pair its character.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                expected += c;
                expected += text[++i];
            } else {
                expected += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
            }
        }
        vornapp::JsonWriter w;
        w.beginArray();
        w.string(text);
        w.endArray();
        QJsonDocument document;
        ASSERT_TRUE(strictJson(w.bytes(), &document)) << w.bytes().toHex().toStdString();
        EXPECT_EQ(document.array().at(0).toString(), expected) << w.bytes().toHex().toStdString();
    }
}

TEST_F(AppTest, DumpOfEveryExampleAndOfRandomTextIsStrictJson)
{
    const QString examples = QStringLiteral(VORN_SOURCE_DIR "/examples");
    int dumped = 0;
    for (QDirIterator it(examples, { "*.vorn" }, QDir::Files); it.hasNext();) {
        const QFileInfo script(it.next());
        const Outcome r = run("dump " + script.fileName(), {}, script.path());
        ASSERT_TRUE(r.code == 0 || r.code == 1) << script.fileName().toStdString() << r.errText().toStdString();
        EXPECT_TRUE(strictJson(r.out)) << script.fileName().toStdString();
        ++dumped;
    }
    EXPECT_GE(dumped, 3);

    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        QString script;
        for (int i = 0; i < 400; ++i) {
            static const std::u32string_view common = U" =\",()\nBEGINDaz\\";
            const char32_t cp = random() % 4 ? common[random() % common.size()] : char32_t(1 + random() % 0x10ffff);
            if (cp < 0xd800 || cp > 0xdfff)
                script += QString::fromUcs4(&cp, 1);
        }
        const Outcome r = run("dump -", script.toUtf8());
        ASSERT_TRUE(r.code == 0 || r.code == 1) << r.errText().toStdString();
        EXPECT_TRUE(strictJson(r.out)) << round;
    }
}
