#include "support/Common.h"

#include <vorn/NestingGuard.h>

#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

#include <csignal>
#include <functional>

using namespace vorn;
using support::openRecord;
using support::readAll;
using support::writeRecord;

namespace {

// Runs f and expects an Error whose description contains `part`.
void expectError(const std::function<void()>& f, const char* part)
{
    try {
        f();
        ADD_FAILURE() << "no error raised, expected: " << part;
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(QLatin1String(part), Qt::CaseInsensitive))
            << "description: " << e.description().toStdString();
    }
}

QByteArray u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

class CoreFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name = "r.rec") const { return dir.filePath(QLatin1String(name)); }
    qsizetype files() const { return QDir(dir.path()).entryList(QDir::Files).size(); }
    QString put(const QByteArray& bytes) { return support::writeFile(path("raw.rec"), bytes); }
    // A correctly framed file around a hand-made payload.
    QString framed(const QByteArray& payload) { return put(CoreFile::encode(payload, {})); }
};

} // namespace

// The record of every kind of plain value is in data/types/values.expected.
TEST_F(CoreFileTest, TagsTypedReadsAndObjectsRoundTrip)
{
    auto list = CoreList::create();
    list->ADD(QStringLiteral("a"));
    list->DATA().setKEY(QStringLiteral("k"));

    auto w = CoreFile::create();
    w->OPEN(path(), CoreFile::ModeWrite);
    w->WRITETAG(QStringLiteral("1.0"));
    w->WRITE({ "plain", 42, "12.5", Variant(), 7 });
    // A value that cannot be stored leaves nothing half written.
    expectError([&] { w->WRITE(VariantArray{ 1, Ref<Object>(CoreFile::create()) }); }, "CoreFile");
    w->WRITE(VariantArray{ Ref<Object>(list) });
    w->CLOSE();

    auto f = openRecord(path());
    const Variant tag = f->READVALUE();
    EXPECT_TRUE(tag.isText() && tag.text() == QStringLiteral("1.0"));
    EXPECT_EQ(f->READTAG(), QStringLiteral("plain"));
    expectError([&] { f->READTAG(); }, "text was expected");
    QString text;
    f->READ(text); // the failed READTAG did not skip the value
    EXPECT_EQ(text, QStringLiteral("42"));
    qint32 n = 0;
    f->READ(n);
    EXPECT_EQ(n, 12); // "12.5" rounds half to even
    VariantArray a{ 1 };
    f->READ(a);
    EXPECT_TRUE(a.empty());
    expectError([&] { f->READ(a); }, "array was expected");
    const Variant v = f->READVALUE();
    ASSERT_TRUE(v.isArray());
    auto back = std::dynamic_pointer_cast<CoreList>(v.array().at(0).object());
    ASSERT_TRUE(back);
    EXPECT_NE(back, list);
    EXPECT_EQ(back->items(), list->items());
    EXPECT_EQ(back->DATA().KEY(), Variant("k"));
    expectError([&] { f->READVALUE(); }, "no further values");
}

TEST_F(CoreFileTest, MisuseAndFailedSavesKeepTheOldFile)
{
    auto f = CoreFile::create();
    expectError([&] { f->OPEN(path(), 3); }, "mode");
    EXPECT_FALSE(f->isOpen());
    expectError([&] { f->OPEN(path("none.rec"), CoreFile::ModeRead); }, "does not exist");
    expectError([&] { openRecord(put("just some text, not a record\n")); }, "not a record file");
    writeRecord(path(), { "old" });
    const QByteArray old = readAll(path());
    f->OPEN(path(), CoreFile::ModeRead);
    expectError([&] { f->WRITE(2); }, "not open for writing");

    {
        auto dropped = CoreFile::create();
        dropped->OPEN(path(), CoreFile::ModeWrite);
        dropped->WRITE("new");
    }
    f->OPEN(path(), CoreFile::ModeWrite);
    expectError([&] { f->READVALUE(); }, "not open for reading");
    f->WRITE("new");
    f->OPEN(path("other.rec"), CoreFile::ModeWrite); // the unclosed write is dropped
    f->CLOSE();
    EXPECT_FALSE(f->isOpen());
    EXPECT_EQ(readAll(path()), old);
    EXPECT_TRUE(CoreFile::decode(readAll(path("other.rec")), {}).isEmpty());
    EXPECT_EQ(files(), 3); // no temporary files left behind

    const QString missing = dir.filePath(QStringLiteral("no/such/folder/r.rec"));
    expectError([&] { writeRecord(missing, { 1 }); }, "cannot be written");
    EXPECT_FALSE(QFile::exists(missing));

    // A write that fails half way (file size limit, which binds root too) leaves the old file.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    expectError([&] { writeRecord(path(), { QString(8192, QLatin1Char('n')) }); }, "cannot be written");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(readAll(path()), old);
    EXPECT_EQ(files(), 3);
}

TEST_F(CoreFileTest, DamagedFilesFailAtOpenWithoutHugeAllocations)
{
    const QByteArray payload = QByteArray(1, 2) + u32(2) + QByteArray("a\0b\0", 4) + QByteArray(1, 3) + u32(7);
    const QByteArray good = CoreFile::encode(payload, {});
    ASSERT_EQ(CoreFile::decode(good, {}), payload);
    for (qsizetype i = 0; i < good.size(); ++i) {
        EXPECT_THROW(CoreFile::decode(good.left(i), {}), Error) << "cut at " << i;
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0x10);
        EXPECT_THROW(CoreFile::decode(bad, {}), Error) << "byte " << i;
    }
    QByteArray newer = good;
    newer[8] = 2;
    expectError([&] { CoreFile::decode(newer, {}); }, "format version 2");
    expectError([&] { CoreFile::decode(good, QStringLiteral("pw")); }, "not sealed");
    expectError([&] { openRecord(put(good.chopped(1))); }, "damaged");

    // Lengths far beyond the file: a text, an array count, an object's identity.
    for (const QByteArray& p : { QByteArray(1, 2) + u32(0xFFFFFFFFu), QByteArray(1, 7) + u32(0x7FFFFFFFu),
                                 QByteArray(1, 8) + u32(0x40000000u) + "ab" })
        expectError([&] { openRecord(framed(p)); }, "damaged");
    expectError([&] { openRecord(framed(QByteArray("\x05\x02", 2))); }, "Boolean");
    expectError([&] { openRecord(framed(QByteArray(1, 99))); }, "unknown value kind");
    expectError([&] { openRecord(framed(QByteArray(1, 3) + "\x01")); }, "past the end");
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += QByteArray(1, 7) + u32(1);
    expectError([&] { openRecord(framed(deep + QByteArray(1, 0))); }, "nested");

    Variant tooDeep;
    for (int i = 0; i <= NestingGuard::MaxDepth; ++i) {
        VariantArray wrap(1);
        wrap[0] = std::move(tooDeep);
        tooDeep = Variant(std::move(wrap));
    }
    auto w = CoreFile::create();
    w->OPEN(path(), CoreFile::ModeWrite);
    expectError([&] { w->WRITE(tooDeep); }, "nested");
    w->WRITE(tooDeep.array()[0]); // the limit itself is fine
    w->CLOSE();
    EXPECT_TRUE(openRecord(path())->READVALUE().isArray());

    // An object of a class nobody registered fails when read, and the position stays.
    auto f = openRecord(
        framed(QByteArray(1, 8) + u32(2) + QByteArray("X\0Y\0", 4) + u32(0) + QByteArray(1, 3) + u32(5)));
    EXPECT_THROW(f->READVALUE(), Error);
    EXPECT_THROW(f->READVALUE(), Error);
}

// Every sealed encode or decode with a password costs one key derivation (~64 MiB): kept few.
TEST_F(CoreFileTest, SealedFiles)
{
    const QString pw = QStringLiteral("s\u00e9cret");
    const QString big(100 * 1024, QLatin1Char('x')); // several chunks
    writeRecord(path(), { big, 5 }, pw);
    const QByteArray sealed = readAll(path());
    EXPECT_FALSE(sealed.contains(QByteArray("x\0x\0x\0x\0", 8)));
    auto f = openRecord(path(), pw);
    EXPECT_EQ(f->READVALUE().text(), big);
    EXPECT_EQ(f->READVALUE().longValue(), 5);
    expectError([&] { openRecord(path()); }, "password is needed");
    expectError([&] { CoreFile::decode(sealed, QStringLiteral("secret")); }, "wrong password");

    // Without its final chunk the stream authenticates but never ends.
    const qsizetype firstChunk = 10 + 8 + 8 + 16 + 24;
    const qsizetype secondChunk = firstChunk + 4 + qFromLittleEndian<quint32>(sealed.constData() + firstChunk);
    expectError([&] { CoreFile::decode(sealed.left(secondChunk), pw); }, "cut short");
    QByteArray altered = sealed;
    altered[secondChunk + 20] = char(altered[secondChunk + 20] ^ 1);
    expectError([&] { openRecord(put(altered), pw); }, "wrong password or damaged");

    // Absurd key settings are refused before any work is done.
    QByteArray greedy = sealed;
    greedy.replace(18, 8, QByteArray::fromHex("0000000001000000")); // 4 GiB
    expectError([&] { CoreFile::decode(greedy, pw); }, "key settings");
}
