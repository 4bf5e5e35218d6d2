// What vorn check prints for noise, floods of errors, confined and failing includes.

#include "AppFixture.h"

#include <QRandomGenerator>

#include <sys/resource.h>

namespace {

const QString NotText = QStringLiteral("not a text file");

QString repeatedLines(const QString& line, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += line + QLatin1Char('\n');
    return out;
}

} // namespace

TEST_F(AppTest, FilesThatAreNotTextAreRefusedWithOneMessage)
{
    const QByteArray withNul("BEGIN ELEMENT NAME=\"A\"\n\0END\n", 28);
    const QByteArray badUtf16 = QByteArray("\xff\xfe", 2) + QByteArray("\x00\xd8\x41\x00", 4); // lone high surrogate
    for (const QByteArray& bytes : { withNul, badUtf16 }) {
        file("binary.vorn", bytes);
        for (const auto& [args, input] : { std::pair{ "check binary.vorn", QByteArray() }, std::pair{ "dump -", bytes } }) {
            const Outcome r = run(args, input);
            EXPECT_EQ(r.code, 2) << args;
            EXPECT_TRUE(r.out.isEmpty()) << args;
            EXPECT_TRUE(r.errText().contains(NotText)) << args;
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        }
    }
    // Latin-1 and UTF-16 that decodes are text.
    file("latin1.vorn", "# Gr\xfc\xdf" "e\n");
    EXPECT_EQ(run("check latin1.vorn").code, 0);
    file("utf16.vorn", QByteArray("\xff\xfe#\0\n\0", 6));
    EXPECT_EQ(run("check utf16.vorn").code, 0);
}

TEST_F(AppTest, MaxErrorsCutsTheListAndSaysHowManyMore)
{
    // Each line is an attribute line outside any element: one structure error a line.
    file("many.vorn", repeatedLines(QStringLiteral("A=1"), 250).toUtf8());
    const auto errorLines = [](const Outcome& r) { return r.outText().count(QStringLiteral("außerhalb eines Elements")); };

    Outcome r = run("check many.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(errorLines(r), 100);
    EXPECT_TRUE(r.outText().endsWith("many.vorn: 150 more errors not shown (--max-errors 0 shows all)\n")) << r.out.constData();
    EXPECT_TRUE(r.errText().contains("250 errors")) << r.err.constData();
    EXPECT_TRUE(r.outText().startsWith("many.vorn:1: "));

    r = run("check --max-errors 1 many.vorn");
    EXPECT_EQ(errorLines(r), 1);
    EXPECT_TRUE(r.outText().contains("249 more errors"));
    r = run("check --max-errors 0 many.vorn");
    EXPECT_EQ(errorLines(r), 250);
    EXPECT_FALSE(r.outText().contains("not shown"));
    for (const char* bad : { "-1", "x", "" })
        EXPECT_EQ(run(QStringLiteral("check many.vorn --max-errors ") + bad).code, 2) << bad;

    // A quoted source line is shortened in the output only.
    const QString longLine = "A=" + QString(300, QLatin1Char('1'));
    file("long.vorn", (longLine + "\n").toUtf8());
    r = run("check long.vorn");
    EXPECT_TRUE(r.outText().contains("'" + longLine.left(120) + "...' enthält Attribute außerhalb eines Elements"))
        << r.out.constData();
    r = run("dump long.vorn");
    EXPECT_TRUE(r.outText().contains(longLine));

    // Each quoted name on its own; a message with no long quote stands whole.
    const QString longName(200, QLatin1Char('Q'));
    file("types.vorn", ("Lower X=1\n" + longName + " X=1\n").toUtf8());
    r = run("check types.vorn");
    const QStringList lines = r.outText().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("mit BEGIN ELEMENT 'Lower' definieren.")) << lines[0].toStdString();
    EXPECT_EQ(lines[1].count(longName.left(120) + "..."), 2) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("definieren."));
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

TEST_F(AppTest, IncludeFailuresAndLookupsExplainThemselves)
{
    // The cause of a failing include below its message.
    file("lib/broken.vorn", "BEGIN ELEMENT NAME=\"B\"\nEND\nEND\n");
    file("main.vorn", "\nINCLUDE FILE=\"lib/broken.vorn\"\n");
    Outcome r = run("check main.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), "main.vorn:2: Fehler beim Parsen der Include-Datei './lib/broken.vorn'\n"
                           "main.vorn:2: note: ./lib/broken.vorn:3: Die Zeile 'END' schließt kein mit BEGIN "
                           "geöffnetes Element\n");

    // An INCLUDE inside an included file is looked up from the working folder: a note says so
    // when it takes another file than the one next to it. The note alone changes no exit status.
    file("lib/helper.vorn", "BEGIN ELEMENT NAME=\"HELPER\"\nEND\n");
    file("helper.vorn", "BEGIN ELEMENT NAME=\"OTHER\"\nEND\n");
    file("lib/uses.vorn", "INCLUDE FILE=\"helper.vorn\"\n");
    file("top.vorn", "INCLUDE FILE=\"lib/uses.vorn\"\n");
    r = run("check top.vorn");
    EXPECT_EQ(r.code, 0) << r.out.constData();
    EXPECT_TRUE(r.outText().startsWith("./lib/uses.vorn:1: note: ")) << r.out.constData();
    EXPECT_TRUE(r.outText().contains("it took 'helper.vorn'")) << r.out.constData();
    QFile::remove(dir.filePath("helper.vorn"));
    r = run("check top.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().contains("./lib/uses.vorn:1: Include-Datei 'helper.vorn' nicht gefunden!")) << r.out.constData();
    EXPECT_TRUE(r.outText().contains("none was found")) << r.out.constData();

    // Confined: a file outside every --include-root is refused on its INCLUDE, links resolved.
    file("secret.vorn", "BEGIN ELEMENT NAME=\"SECRET\"\nEND\n");
    ASSERT_TRUE(QFile::link(dir.filePath("secret.vorn"), dir.filePath("lib/alias.vorn")));
    file("confined.vorn", "INCLUDE FILE=\"lib/helper.vorn\"\nINCLUDE FILE=\"secret.vorn\"\nINCLUDE FILE=\"lib/alias.vorn\"\n");
    r = run("check --include-root lib confined.vorn");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), "confined.vorn:2: Include-Datei 'secret.vorn' liegt außerhalb der erlaubten Include-Ordner!\n"
                           "confined.vorn:3: Include-Datei 'lib/alias.vorn' liegt außerhalb der erlaubten Include-Ordner!\n");
    EXPECT_EQ(run("check --include-root lib --include-root . confined.vorn").code, 0);
}
