// What vorn check does with input that is no script, with noise and with confined includes;
// its messages for scripts are in data/cli.

#include "support/Program.h"

#include <QRandomGenerator>

#include <sys/resource.h>

namespace {
const QString NotText = QStringLiteral("not a text file");
} // namespace

TEST_F(AppTest, FilesThatAreNotTextAreRefusedWithOneMessage)
{
    const QByteArray withNul("BEGIN ELEMENT NAME=\"A\"\n\0END\n", 28);
    const QByteArray badUtf16 = QByteArray("\xff\xfe", 2) + QByteArray("\x00\xd8\x41\x00", 4); // lone high surrogate
    for (const QByteArray& bytes : { withNul, badUtf16 }) {
        file("binary.vorn", bytes);
        for (const auto& [args, input] :
             { std::pair{ "check binary.vorn", QByteArray() }, std::pair{ "dump -", bytes } }) {
            const Outcome r = run(args, input);
            EXPECT_EQ(r.code, 2) << args;
            EXPECT_TRUE(r.out.isEmpty()) << args;
            EXPECT_TRUE(r.errText().contains(NotText)) << args;
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        }
    }
    // Latin-1 and UTF-16 that decodes are text.
    file("latin1.vorn",
         "# Gr\xfc\xdf"
         "e\n");
    EXPECT_EQ(run("check latin1.vorn").code, 0);
    file("utf16.vorn", QByteArray("\xff\xfe#\0\n\0", 6));
    EXPECT_EQ(run("check utf16.vorn").code, 0);
}

TEST_F(AppTest, NoiseChecksInBoundedMemoryAndOutput)
{
    // Random printable text with line breaks: hundreds of thousands of messages in the model.
    QRandomGenerator random(7);
    QByteArray noise;
    noise.reserve(2'000'000);
    while (noise.size() < 2'000'000) {
        const quint32 c = random.bounded(32u, 128u);
        noise += c == 127 ? '\n' : char(c);
    }
    file("noise.vorn", noise);
    const Outcome r = run("check noise.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_LT(r.out.size(), 1 << 20);
    EXPECT_TRUE(r.outText().contains("more errors not shown"));
#if !defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer its shadow memory dwarfs what the program itself needs.
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "peak kilobytes of the checking program";
#endif
}

// Confined: a file outside every --include-root is refused on its INCLUDE, links resolved.
TEST_F(AppTest, IncludeRootsConfineIncludes)
{
    file("lib/helper.vorn", "BEGIN ELEMENT NAME=\"HELPER\"\nEND\n");
    file("secret.vorn", "BEGIN ELEMENT NAME=\"SECRET\"\nEND\n");
    ASSERT_TRUE(QFile::link(dir.filePath("secret.vorn"), dir.filePath("lib/alias.vorn")));
    file("confined.vorn",
         "INCLUDE FILE=\"lib/helper.vorn\"\nINCLUDE FILE=\"secret.vorn\"\nINCLUDE FILE=\"lib/alias.vorn\"\n");
    const Outcome r = run("check --include-root lib confined.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(),
              "confined.vorn:2:14: Include-Datei 'secret.vorn' liegt außerhalb der erlaubten Include-Ordner!\n"
              "confined.vorn:3:14: Include-Datei 'lib/alias.vorn' liegt außerhalb der erlaubten Include-Ordner!\n");
    EXPECT_EQ(run("check --include-root lib --include-root . confined.vorn").code, 0);
}
