// The vorn program run as a subprocess on small scripts.

#include "AppFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// The keys of every JSON object in the order the text gives them; objects in opening order.
std::vector<QStringList> objectKeys(const QByteArray& json)
{
    std::vector<QStringList> objects;
    std::vector<int> open; // object index, -1 for an array
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{' || c == '[') {
            open.push_back(c == '{' ? int(objects.size()) : -1);
            if (c == '{')
                objects.emplace_back();
        } else if ((c == '}' || c == ']') && !open.empty()) {
            open.pop_back();
        } else if (c == '"') {
            QByteArray s;
            for (++i; i < json.size() && json[i] != '"'; ++i)
                s += json[json[i] == '\\' ? ++i : i];
            if (i + 1 < json.size() && json[i + 1] == ':' && !open.empty() && open.back() >= 0)
                objects[size_t(open.back())].append(QString::fromUtf8(s));
        }
    }
    return objects;
}

} // namespace

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
    for (const char* args : { "", "frobnicate a.vorn", "check", "--bogus", "dump a.vorn a.vorn", "write a.vorn a.vorn" }) {
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
    EXPECT_TRUE(r.outText().contains("bad.vorn:4: " + ConversionError));

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

TEST_F(AppTest, CheckReportsFileLineMessageInLineOrder)
{
    const QString clean = file("clean.vorn", PointDef + "POINT ID=\"P1\", X=1\n");
    Outcome r = run("check " + clean);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.errText().contains("1 element, no errors")) << r.errText().toStdString();

    const QString bad = file("bad.vorn", PointDef + "# comment\n\nPOINT ID=\"P1\", X=1\nPOINT ID=\"P2\", X=\"abc\"\n"
                                                    "BEGIN POINT ID=\"P3\", X=3\n POINT X=zz, Y=1\nEND\nEND\n");
    r = run("check " + bad);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), "bad.vorn:7: " + ConversionError + "\nbad.vorn:9: " + UnknownZz
                               + "\nbad.vorn:9: Es wurden Attribute angegeben, die nicht zum Element gehören: Y\n"
                                 "bad.vorn:11: " + StrayEnd + "\n");
    EXPECT_TRUE(r.errText().contains("4 elements, 4 errors")) << r.errText().toStdString();
    EXPECT_EQ(run("check " + clean + " " + bad + " " + clean).code, 1);

    // A failed command block leaves the tree, but its message is still reported on its line.
    const QString modify = file("modify.vorn", PointDef + "BEGIN MODIFY NAME=\"POINT\"\n FIX NAME=\"Q\", VALUE=1\nEND\n");
    r = run("check " + modify);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), "modify.vorn:4: Das Attribut 'Q' gibt es in dieserm Element-Typ nicht\n");
}

TEST_F(AppTest, IncludesUseRootFoldersAndStandardInput)
{
    file("lib/lib.vorn", PointDef + "POINT ID=\"L1\", X=7\n");
    file("lib/bad.vorn", PointDef + "\nPOINT ID=\"L2\", X=zz\n");
    const QString main = file("sub/main.vorn", "INCLUDE FILE=\"lib.vorn\"\nPOINT ID=\"P1\", X=2\n");
    const QString near = file("sub/near.vorn", "INCLUDE FILE=\"def.vorn\"\nPOINT X=1\n");
    file("sub/def.vorn", PointDef);

    Outcome r = run("check " + main);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().startsWith("sub/main.vorn:1: Include-Datei 'lib.vorn' nicht gefunden!\n"));
    // -I without and with the trailing separator; ROOT is the script's folder, not the current one.
    EXPECT_EQ(run("check -I lib " + main).code, 0);
    EXPECT_EQ(run("check -I " + dir.filePath("lib/") + " " + main).code, 0);
    EXPECT_EQ(run("check " + near).code, 0);
    EXPECT_EQ(run("check " + dir.filePath(near), {}, QDir::rootPath()).code, 0);
    // An error inside an included file names that file and its line.
    r = run("check -Ilib " + file("sub/usesbad.vorn", "INCLUDE FILE=\"bad.vorn\"\n"));
    EXPECT_EQ(r.outText(), "lib/bad.vorn:5: " + UnknownZz + "\n");
    // Standard input: ROOT is the current folder.
    r = run("check -", "INCLUDE FILE=\"def.vorn\"\nPOINT X=\"abc\"\n", dir.filePath("sub"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), "<stdin>:2: " + ConversionError + '\n');

    // Cycles: the top file counts as open, so a -> b -> a ends inside b.
    r = run("check " + file("self.vorn", "INCLUDE FILE=\"self.vorn\"\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().startsWith("self.vorn:1: Fehler beim Parsen der Include-Datei")) << r.outText().toStdString();
    file("b.vorn", "INCLUDE FILE=\"a.vorn\"\n");
    r = run("check " + file("a.vorn", "INCLUDE FILE=\"b.vorn\"\n"));
    EXPECT_TRUE(r.outText().contains("b.vorn:1: Fehler beim Parsen der Include-Datei 'a.vorn'")) << r.outText().toStdString();
}

TEST_F(AppTest, DumpShape)
{
    QByteArray script = "BEGIN ENUMERATION NAME=\"COLORS\", DESCRIPTION=\"Farben\"\n"
                        " ENUMITEM NAME=\"RED\", VALUE=1, DESCRIPTION=\"Rot\"\nEND\n"
                        "BEGIN ELEMENT NAME=\"T\"\n STRING NAME=\"S\"\n DATE NAME=\"D\"\n DOUBLE NAME=\"F\"\n BOOL NAME=\"B\"\n"
                        " ATOMIC NAME=\"A\"\n LONG NAME=\"N\", REQUIRED=False\n ENUM ENUMID=\"COLORS\", NAME=\"C\", REQUIRED=no\n"
                        "END\n";
    script += "BEGIN T ID=\"P1\", S=\"a\\b\x01 Grüße 😀\", D=\"2024-01-02 03:04:05\", F=1.5, B=ja, A=(1, 2), C=\"RED\"\n"
              " T S=\"\", D=\"2024-01-02\", F=0, B=nein, A=zz\nEND\nEND\n";
    const Outcome r = run("dump " + file("d.vorn", script));
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out.count('\n'), 1);
    EXPECT_TRUE(r.out.endsWith("}\n"));
    EXPECT_TRUE(r.out.contains("\\u0001") && r.out.contains("Grüße 😀")); // raw UTF-8, control characters escaped

    // The keys of every kind of object in their order.
    QStringList shapes;
    for (const QStringList& keys : objectKeys(r.out))
        if (!shapes.contains(keys.join(' ')))
            shapes << keys.join(' ');
    for (const char* keys : { "parsed errors errortext uidlast errorlist elements definitions enumerations",
                              "sort id uid line errors errortext attributes elements", "t v",
                              "name description internal group icon color source unique childrenmin childrenmax "
                              "parentsallowed parentclonesallowed childrenrequired nextallowed previousallowed "
                              "childrenallowed ancestors attributes",
                              "name sort default required fixed enumid description", "id description members",
                              "name value description" })
        EXPECT_TRUE(shapes.contains(keys)) << keys;

    const QJsonObject d = QJsonDocument::fromJson(r.out).object();
    const auto compact = [](const QJsonValue& v) {
        return QString::fromUtf8(v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                                             : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    };
    EXPECT_EQ(d["parsed"], false);
    EXPECT_EQ(d["errors"], true);
    EXPECT_EQ(d["errortext"], StrayEnd);
    EXPECT_EQ(d["uidlast"], 16); // every element line, END lines too
    EXPECT_EQ(compact(d["errorlist"]), "[\"" + StrayEnd + "\",\"" + UnknownZz + "\"]");
    const QJsonObject p1 = d["elements"].toArray()[0].toObject();
    EXPECT_EQ(QStringList({ p1["sort"].toString(), p1["id"].toString(), QString::number(p1["uid"].toInt()),
                            QString::number(p1["line"].toInt()) }),
              QStringList({ "T", "P1", "13", "13" }));
    EXPECT_EQ(compact(p1["attributes"]), QStringLiteral(R"([["S",{"t":"text","v":"a\\b\u0001 Grüße 😀"}],)"
                                                       R"(["D",{"t":"date","v":"2024-01-02T03:04:05"}],)"
                                                       R"(["F",{"t":"double","v":1.5}],["B",{"t":"bool","v":true}],)"
                                                       R"(["A",{"t":"array","v":[{"t":"double","v":1},{"t":"double","v":2}]}],)"
                                                       R"(["N",{"t":"text","v":""}],["C",{"t":"double","v":1}]])"));
    const QJsonObject p2 = p1["elements"].toArray()[0].toObject();
    EXPECT_EQ(p2["line"], 14);
    EXPECT_EQ(p2["errortext"], UnknownZz);
    EXPECT_TRUE(compact(p2["attributes"]).contains(R"(["D",{"t":"date","v":"2024-01-02T00:00:00"}])"));
    EXPECT_TRUE(compact(p2["attributes"]).contains(R"(["A",{"t":"empty"}])"));

    const QJsonArray defs = d["definitions"].toArray();
    ASSERT_EQ(defs.size(), 20);
    EXPECT_EQ(compact(defs[0].toObject()["parentsallowed"]), "[\"NONE\"]");
    EXPECT_EQ(defs[0].toObject()["internal"], true);
    const QJsonObject t = defs[19].toObject();
    EXPECT_EQ(t["internal"], false);
    EXPECT_EQ(t["source"], "d.vorn"); // the path as given
    const QJsonObject n = t["attributes"].toArray()[5].toObject();
    EXPECT_EQ(QStringList({ n["name"].toString(), QString::number(n["sort"].toInt()), n["required"].toBool() ? "r" : "o" }),
              QStringList({ "N", "103", "o" }));
    EXPECT_EQ(t["attributes"].toArray()[6].toObject()["enumid"], "COLORS");
    EXPECT_EQ(compact(d["enumerations"]), R"([{"description":"Farben","id":"COLORS","members":)"
                                          R"([{"description":"Rot","name":"RED","value":{"t":"double","v":1}}]}])");
}

TEST_F(AppTest, WriteGivesScriptTextAndStopsAtFailure)
{
    Outcome r = run("write " + file("w.vorn", PointDef + "BEGIN POINT ID=\"P1\", X=1\n POINT ID=\"P2\", X=2\nEND\nPOINT X=3\n"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "BEGIN POINT \"P1\"\n\tX=1\n\tPOINT \"P2\", X=2\nEND\nPOINT X=3\n");
    EXPECT_TRUE(r.err.isEmpty());
    r = run("write -", "BEGIN ELEMENT NAME=\"T\"\n STRING NAME=\"S\"\nEND\nT S=\"Grüße\"\n");
    EXPECT_EQ(r.out, "T S=\"Grüße\"\n");
    r = run("write " + file("defs.vorn", PointDef));
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    // A type without definition cannot be written: the lines before it, then the error.
    r = run("write " + file("f.vorn", PointDef + "POINT ID=\"P1\", X=1\nFOO Y=2\nPOINT ID=\"P2\", X=3\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "POINT \"P1\", X=1\n");
    EXPECT_TRUE(r.errText().contains("f.vorn")) << r.errText().toStdString();
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
