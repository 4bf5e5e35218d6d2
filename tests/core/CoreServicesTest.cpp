// Which texts are numbers shows in data/types/values.expected, as the texts' DOUBLE conversions.
#include "support/Common.h"
#include "support/ScriptedDialogService.h"

#include <vorn/CoreServices.h>

#include <QTemporaryDir>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <thread>

using vorn::CoreServices;

namespace {

// Sets an environment variable for one scope.
struct EnvGuard {
    QByteArray name, saved;
    bool had;
    EnvGuard(const char* n, const QByteArray& value) : name(n), saved(qgetenv(n)), had(qEnvironmentVariableIsSet(n))
    {
        value.isNull() ? qunsetenv(n) : qputenv(n, value);
    }
    ~EnvGuard() { had ? qputenv(name.constData(), saved) : qunsetenv(name.constData()); }
};

} // namespace

TEST(CoreServicesTest, SplitsAtTheFirstSeparatorAndDecodesTextFiles)
{
    using P = std::pair<QString, QString>;
    EXPECT_EQ(CoreServices::splitFirst("EDIT.GOTO.X", "."), P("EDIT", "GOTO.X"));
    EXPECT_EQ(CoreServices::splitFirst(".a", "."), P("", "a"));
    EXPECT_EQ(CoreServices::splitFirst("a::b::c", "::"), P("a", "b::c"));
    EXPECT_EQ(CoreServices::splitFirst("EDIT", "."), P("EDIT", ""));
    EXPECT_EQ(CoreServices::splitFirst("abc", ""), P("abc", ""));

    // UTF-8 with or without mark, UTF-16 either way round, else Latin-1 (a cut-off sequence too).
    const QString umlaut = QString::fromUtf8("Grüße");
    for (const auto& [bytes, text] : { std::pair{ umlaut.toUtf8(), umlaut },
                                       { "\xEF\xBB\xBF" + umlaut.toUtf8(), umlaut },
                                       { QByteArray("\xEF\xBB\xBF"), QString() },
                                       { QByteArray("\xFF\xFE"
                                                    "a\0\xFC\0",
                                                    6),
                                         QString::fromUtf8("aü") },
                                       { QByteArray("\xFE\xFF"
                                                    "\0a\0\xFC",
                                                    6),
                                         QString::fromUtf8("aü") },
                                       { umlaut.toLatin1(), umlaut },
                                       { QByteArray("ab\xC3"), QString::fromLatin1("ab\xC3") },
                                       { QByteArray(), QString() } })
        EXPECT_EQ(CoreServices::decodeText(bytes), text) << bytes.toHex().constData();

    // Text or not: a surrogate half alone anywhere in a long text, a pair at every offset.
    const auto isText = [](const QString& text) {
        QByteArray bytes("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        bool ok = false;
        CoreServices::decodeText(bytes, &ok);
        return ok;
    };
    const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (qsizetype at = 0; at < 13; ++at) {
        const QString before(at, u'a'), after(12 - at, u'b');
        EXPECT_TRUE(isText(before + pair + after)) << at;
        EXPECT_FALSE(isText(before + pair[0] + after)) << at;
        EXPECT_FALSE(isText(before + pair[1] + after)) << at;
        EXPECT_FALSE(isText(before + pair[1] + pair[0] + after)) << at;
    }
}

TEST(CoreServicesTest, FileService)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto& services = CoreServices::instance();
    const QString path = support::writeFile(dir.filePath("a.vsc"),
                                            "\xEF\xBB\xBF"
                                            "BEGIN X\r\nEND");
    EXPECT_TRUE(services.fileExists(path));
    EXPECT_EQ(services.readTextFile(path, "", false), "BEGIN X\r\nEND");
    EXPECT_EQ(services.readTextFile(support::writeFile(dir.filePath("empty"), "")), "");

    for (const QString& notFile : { dir.path(), dir.filePath("missing"), QString() }) {
        EXPECT_FALSE(services.fileExists(notFile)) << notFile.toStdString();
        EXPECT_THROW(services.readTextFile(notFile), vorn::Error) << notFile.toStdString();
    }
    // A device or pipe is no file to include, but reads like one, as a shell's <(...) needs.
    EXPECT_FALSE(services.fileExists(QStringLiteral("/dev/null")));
    EXPECT_EQ(services.readTextFile(QStringLiteral("/dev/null")), "");

    QFile big(dir.filePath("big"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(256) * 1024 * 1024 + 1)); // sparse, costs no disk
    big.close();
    EXPECT_THROW(services.readTextFile(big.fileName()), vorn::Error);
}

TEST(CoreServicesTest, SettingsFolder)
{
    const QString fallback = QDir::homePath() + "/.config/vorn/";
    for (const auto& [value, folder] : { std::pair<QByteArray, QString>{ "/tmp/cfg", "/tmp/cfg/vorn/" },
                                         { "/tmp/cfg/", "/tmp/cfg/vorn/" },
                                         { QByteArray(), fallback },
                                         { "relative/cfg", fallback } }) {
        EnvGuard env("XDG_CONFIG_HOME", value);
        EXPECT_EQ(CoreServices::settingsFolder("VoRN"), folder) << value.constData();
    }
}

// What the scripted service records is shown in the editor's golden files.
TEST(CoreServicesTest, DialogsArePerThreadAndCancelledWithoutAService)
{
    auto& services = CoreServices::instance();
    const CoreServices* other = nullptr;
    std::thread([&] { other = &CoreServices::instance(); }).join();
    EXPECT_NE(other, &services);

    // Without an installed service every dialog is cancelled.
    std::optional<QString> answer = QStringLiteral("x");
    std::thread([&] { answer = CoreServices::instance().dialogs().input("p", "t", "q"); }).join();
    EXPECT_EQ(answer, std::nullopt);
    auto scripted = std::make_shared<vorn::ScriptedDialogService>();
    services.setDialogs(scripted);
    scripted->queueAnswer(QStringLiteral("5"));
    EXPECT_EQ(services.dialogs().input("Line?", "Go to", "1"), QStringLiteral("5"));
    services.setDialogs(nullptr);
}

// Short decimals are read without from_chars: the result must still be the correctly rounded
// double, bit for bit, and a negative zero keep its sign.
TEST(CoreServicesTest, ShortDecimalsReadAsCorrectlyRoundedDoubles)
{
    std::mt19937_64 random(42);
    for (int round = 0; round < 20000; ++round) {
        const int digits = 2 + int(random() % 14);
        std::string text = random() % 2 ? "-" : "";
        const int point = 1 + int(random() % (digits - 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                text += '.';
            text += char('0' + random() % 10);
        }
        double expected = 0;
        const char* begin = text.data() + (text[0] == '-');
        std::from_chars(begin, text.data() + text.size(), expected);
        if (text[0] == '-')
            expected = -expected;
        bool isNumber = false;
        const double read = CoreServices::readNumber(QString::fromStdString(text), &isNumber);
        ASSERT_TRUE(isNumber) << text;
        ASSERT_EQ(std::bit_cast<quint64>(read), std::bit_cast<quint64>(expected)) << text;
    }
    EXPECT_TRUE(std::signbit(CoreServices::readNumber(u"-0.0")));
}
