// The vorn program's usage, exit codes and windows; what it prints for scripts is in data/cli.

#include "support/Program.h"

#include <QImage>

TEST_F(AppTest, ExitCodesForUsageMissingFilesAndBadInput)
{
    Outcome r = run("--help");
    EXPECT_EQ(r.code, 0);
    for (const char* word : { "check", "dump", "write", "-I" })
        EXPECT_TRUE(r.outText().contains(QLatin1String(word))) << word;
    r = run("--version");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("vorn "));

    file("a.vorn", PointDef);
    for (const char* args :
         { "", "frobnicate a.vorn", "check", "--bogus", "dump a.vorn a.vorn", "write a.vorn a.vorn" }) {
        r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_TRUE(r.out.isEmpty() && !r.err.isEmpty()) << args;
    }
    for (const char* command : { "check", "dump", "write" }) {
        r = run(QString(command) + " missing.vorn");
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_TRUE(r.out.isEmpty() && r.errText().contains("missing.vorn")) << command;
    }
    // The other files are still checked.
    r = run("check missing.vorn " + file("bad.vorn", PointDef + "POINT X=\"abc\"\n"));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.outText().contains("bad.vorn:4:9: " + ConversionError));

    QByteArray deep, unclosed;
    for (int i = 0; i < 3000; ++i)
        deep.prepend("BEGIN POINT X=1\n").append("END\n"), unclosed += "BEGIN POINT\n";
    static const char garbage[] = "\xff\x80 garbage \"\x01(((\n=,,=\n...";
    for (const QByteArray& input : { QByteArray(garbage, sizeof garbage - 1), PointDef + deep, PointDef + unclosed,
                                     QByteArray("POINT X=\"open\nPOINT Y=(1, 2\nEND\nA=1\n,\n") })
        for (const char* command : { "check", "dump", "write" }) {
            r = run(QString(command) + " -", input);
            EXPECT_TRUE(r.code == 0 || r.code == 1) << command << " exit " << r.code;
        }
}

TEST_F(AppTest, WindowsWithoutADisplayExplainAndAScreenshotNeedsNone)
{
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        environment.remove(QString::fromLatin1(name));
    const QString script = file("p.vorn", PointDef + "POINT X=1\n");
    for (const QString& args : { "view " + script, QStringLiteral("edit") }) {
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 2) << args.toStdString();
        EXPECT_TRUE(r.errText().contains("no display")) << r.err.constData();
        EXPECT_TRUE(r.errText().contains("QT_QPA_PLATFORM=offscreen")) << r.err.constData();
    }
    // The file is read first: a missing one is named, with or without a display.
    EXPECT_TRUE(run("view missing.vorn").errText().contains("missing.vorn"));

    const QString tour = QStringLiteral(VORN_SOURCE_DIR "/examples/tour.vorn");
    const Outcome shot = run("view --screenshot shot.png --select 30 " + tour);
    EXPECT_EQ(shot.code, 0) << shot.err.constData();
    EXPECT_FALSE(QImage(dir.filePath("shot.png")).isNull());
    EXPECT_EQ(run("view --screenshot /no/such/folder/shot.png " + tour).code, 2);
}
