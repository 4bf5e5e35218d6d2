// The vorn program run as a subprocess on small scripts.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Outcome {
    int code = -1; // -1 when the program did not end normally
    QByteArray out, err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

const char* const PointDef = "BEGIN ELEMENT NAME=\"POINT\"\n LONG NAME=\"X\"\nEND\n";
const QString ConversionError =
    QStringLiteral("Der für das Attribut 'X' angegebene Wert 'abc' ist inkomaptibel zum geforderten Datentyp 'LONG'");

// The keys of every JSON object in the order the text gives them; objects in opening order.
std::vector<QStringList> objectKeys(const QByteArray& json)
{
    std::vector<QStringList> objects;
    std::vector<int> open; // object index, -1 for an array
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{') {
            open.push_back(int(objects.size()));
            objects.emplace_back();
        } else if (c == '[') {
            open.push_back(-1);
        } else if ((c == '}' || c == ']') && !open.empty()) {
            open.pop_back();
        } else if (c == '"') {
            QByteArray s;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\')
                    ++i;
                s += json[i];
            }
            if (i + 1 < json.size() && json[i + 1] == ':' && !open.empty() && open.back() >= 0)
                objects[size_t(open.back())].append(QString::fromUtf8(s));
        }
    }
    return objects;
}

QStringList keysStartingWith(const std::vector<QStringList>& objects, const QString& first, const QString& second)
{
    for (const QStringList& keys : objects)
        if (keys.size() > 1 && keys[0] == first && keys[1] == second)
            return keys;
    return {};
}

class AppTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // Writes a file below the temporary folder; answers its relative name.
    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return name;
    }

    // Runs the program in the temporary folder (or `cwd`), feeding `input` to standard input.
    Outcome run(const QStringList& args, const QByteArray& input = {}, const QString& cwd = {})
    {
        QProcess p;
        p.setWorkingDirectory(cwd.isEmpty() ? dir.path() : cwd);
        p.start(QStringLiteral(VORN_PROGRAM), args);
        Outcome r;
        if (!p.waitForStarted())
            return r;
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(-1);
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        if (p.exitStatus() == QProcess::NormalExit)
            r.code = p.exitCode();
        return r;
    }

    QJsonObject dump(const QStringList& args, const QByteArray& input = {})
    {
        const Outcome r = run(QStringList{ QStringLiteral("dump") } + args, input);
        EXPECT_EQ(r.code, 0) << r.errText().toStdString();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return doc.object();
    }
};

TEST_F(AppTest, HelpVersionAndUsageErrors)
{
    Outcome r = run({ QStringLiteral("--help") });
    EXPECT_EQ(r.code, 0);
    for (const char* word : { "check", "dump", "write", "-I" })
        EXPECT_TRUE(r.outText().contains(QLatin1String(word))) << word;
    r = run({ QStringLiteral("--version") });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("vorn "));

    const QString f = file(QStringLiteral("a.vorn"), PointDef);
    for (const QStringList& args : { QStringList{}, QStringList{ QStringLiteral("frobnicate"), f },
                                     QStringList{ QStringLiteral("check") }, QStringList{ QStringLiteral("--bogus") },
                                     QStringList{ QStringLiteral("dump"), f, f },
                                     QStringList{ QStringLiteral("write"), f, f } }) {
        r = run(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST_F(AppTest, MissingFileIsExitTwoWithoutOutput)
{
    for (const char* command : { "check", "dump", "write" }) {
        const Outcome r = run({ QLatin1String(command), QStringLiteral("missing.vorn") });
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_TRUE(r.out.isEmpty()) << command;
        EXPECT_TRUE(r.errText().contains(QLatin1String("missing.vorn"))) << command;
    }
    // The other files are still checked.
    const QString bad = file(QStringLiteral("bad.vorn"), QByteArray(PointDef) + "POINT X=\"abc\"\n");
    const Outcome r = run({ QStringLiteral("check"), QStringLiteral("missing.vorn"), bad });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.outText().contains(QStringLiteral("bad.vorn:4: ") + ConversionError));
}

TEST_F(AppTest, CheckReportsFileLineMessageInLineOrder)
{
    const QString clean = file(QStringLiteral("clean.vorn"), QByteArray(PointDef) + "POINT ID=\"P1\", X=1\n");
    Outcome r = run({ QStringLiteral("check"), clean });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.errText().contains(QLatin1String("1 element, no errors"))) << r.errText().toStdString();

    const QString bad = file(QStringLiteral("bad.vorn"), QByteArray(PointDef) +
                                                              "# comment\n"
                                                              "\n"
                                                              "POINT ID=\"P1\", X=1\n"
                                                              "POINT ID=\"P2\", X=\"abc\"\n"
                                                              "BEGIN POINT ID=\"P3\", X=3\n"
                                                              " POINT X=zz, Y=1\n"
                                                              "END\n"
                                                              "END\n");
    r = run({ QStringLiteral("check"), bad });
    EXPECT_EQ(r.code, 1);
    const QStringList expected{
        QStringLiteral("bad.vorn:7: ") + ConversionError,
        QStringLiteral("bad.vorn:9: Der Wert 'zz' wurde nicht erkannt!"),
        QStringLiteral("bad.vorn:9: Es wurden Attribute angegeben, die nicht zum Element gehören: Y"),
        QStringLiteral("bad.vorn:11: Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element"),
    };
    EXPECT_EQ(r.outText(), expected.join('\n') + '\n');
    EXPECT_TRUE(r.errText().contains(QLatin1String("4 elements, 4 errors"))) << r.errText().toStdString();

    r = run({ QStringLiteral("check"), clean, bad, clean });
    EXPECT_EQ(r.code, 1);
}

TEST_F(AppTest, IncludesUseRootFoldersAndStandardInput)
{
    file(QStringLiteral("lib/lib.vorn"), QByteArray(PointDef) + "POINT ID=\"L1\", X=7\n");
    file(QStringLiteral("lib/bad.vorn"), QByteArray(PointDef) + "\nPOINT ID=\"L2\", X=zz\n");
    const QString main = file(QStringLiteral("sub/main.vorn"), "INCLUDE FILE=\"lib.vorn\"\nPOINT ID=\"P1\", X=2\n");
    const QString near = file(QStringLiteral("sub/near.vorn"), "INCLUDE FILE=\"def.vorn\"\nPOINT X=1\n");
    file(QStringLiteral("sub/def.vorn"), PointDef);

    Outcome r = run({ QStringLiteral("check"), main });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().startsWith(QStringLiteral("sub/main.vorn:1: Include-Datei 'lib.vorn' nicht gefunden!\n")));
    // -I without and with the trailing separator; ROOT is the script's folder, not the current one.
    EXPECT_EQ(run({ QStringLiteral("check"), QStringLiteral("-I"), QStringLiteral("lib"), main }).code, 0);
    EXPECT_EQ(run({ QStringLiteral("check"), QStringLiteral("-I"), dir.filePath(QStringLiteral("lib/")), main }).code, 0);
    EXPECT_EQ(run({ QStringLiteral("check"), near }).code, 0);
    EXPECT_EQ(run({ QStringLiteral("check"), dir.filePath(near) }, {}, QDir::rootPath()).code, 0);

    // An error inside an included file names that file and its line.
    const QString usesBad = file(QStringLiteral("sub/usesbad.vorn"), "INCLUDE FILE=\"bad.vorn\"\n");
    r = run({ QStringLiteral("check"), QStringLiteral("-Ilib"), usesBad });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), QStringLiteral("lib/bad.vorn:5: Der Wert 'zz' wurde nicht erkannt!\n"));

    // Standard input: ROOT is the current folder.
    r = run({ QStringLiteral("check"), QStringLiteral("-") }, "INCLUDE FILE=\"def.vorn\"\nPOINT X=\"abc\"\n",
            dir.filePath(QStringLiteral("sub")));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.outText(), QStringLiteral("<stdin>:2: ") + ConversionError + '\n');
    const QJsonObject fromStdin = dump({ QStringLiteral("-") }, QByteArray(PointDef) + "POINT X=4\n");
    EXPECT_EQ(fromStdin[QLatin1String("elements")].toArray().size(), 1);
}

TEST_F(AppTest, IncludeCyclesEndWithAnError)
{
    // The top file counts as open: the error sits on its own INCLUDE line.
    Outcome r = run({ QStringLiteral("check"), file(QStringLiteral("self.vorn"), "INCLUDE FILE=\"self.vorn\"\n") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().startsWith(QStringLiteral("self.vorn:1: Fehler beim Parsen der Include-Datei")))
        << r.outText().toStdString();
    // a -> b -> a ends where a is met again, inside b.
    file(QStringLiteral("b.vorn"), "INCLUDE FILE=\"a.vorn\"\n");
    r = run({ QStringLiteral("check"), file(QStringLiteral("a.vorn"), "INCLUDE FILE=\"b.vorn\"\n") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.outText().contains(QStringLiteral("b.vorn:1: Fehler beim Parsen der Include-Datei 'a.vorn'")))
        << r.outText().toStdString();
}

TEST_F(AppTest, BadInputNeverCrashes)
{
    QByteArray deep, unclosed;
    for (int i = 0; i < 3000; ++i) {
        deep += "BEGIN POINT X=1\n";
        unclosed += "BEGIN POINT\n";
    }
    for (int i = 0; i < 3000; ++i)
        deep += "END\n";
    static const char garbage[] = "\x00\xff\xfe garbage \"\x01(((\n=,,=\n...";
    const QByteArray inputs[] = {
        QByteArray(garbage, sizeof garbage - 1),
        QByteArray(PointDef) + deep,
        QByteArray(PointDef) + unclosed,
        "POINT X=\"open\nPOINT Y=(1, 2\nEND\nA=1\n,\n",
    };
    for (const QByteArray& input : inputs) {
        for (const char* command : { "check", "dump", "write" }) {
            const Outcome r = run({ QLatin1String(command), QStringLiteral("-") }, input);
            EXPECT_TRUE(r.code == 0 || r.code == 1) << command << " exit " << r.code;
        }
    }
}

TEST_F(AppTest, DumpKeepsKeyOrderAndShape)
{
    const QString f = file(QStringLiteral("d.vorn"), "BEGIN ENUMERATION NAME=\"COLORS\", DESCRIPTION=\"Farben\"\n"
                                                     " ENUMITEM NAME=\"RED\", VALUE=1, DESCRIPTION=\"Rot\"\n"
                                                     "END\n"
                                                     "BEGIN ELEMENT NAME=\"POINT\"\n"
                                                     " LONG NAME=\"X\"\n"
                                                     " ENUM ENUMID=\"COLORS\", NAME=\"C\", REQUIRED=False\n"
                                                     "END\n"
                                                     "BEGIN POINT ID=\"P1\", X=1\n"
                                                     " POINT ID=\"P2\", X=2, C=\"RED\"\n"
                                                     "END\n");
    const Outcome r = run({ QStringLiteral("dump"), f });
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out.count('\n'), 1);
    EXPECT_TRUE(r.out.endsWith("}\n"));

    const auto objects = objectKeys(r.out);
    ASSERT_FALSE(objects.empty());
    const auto list = [](const char* keys) { return QString::fromLatin1(keys).split(' '); };
    EXPECT_EQ(objects[0], list("parsed errors errortext uidlast errorlist elements definitions enumerations"));
    EXPECT_EQ(keysStartingWith(objects, "sort", "id"), list("sort id uid line errors errortext attributes elements"));
    EXPECT_EQ(keysStartingWith(objects, "name", "description"),
              list("name description internal group icon color source unique childrenmin childrenmax "
                   "parentsallowed parentclonesallowed childrenrequired nextallowed previousallowed "
                   "childrenallowed ancestors attributes"));
    EXPECT_EQ(keysStartingWith(objects, "name", "sort"), list("name sort default required fixed enumid description"));
    EXPECT_EQ(keysStartingWith(objects, "id", "description"), list("id description members"));
    EXPECT_EQ(keysStartingWith(objects, "name", "value"), list("name value description"));
    EXPECT_EQ(keysStartingWith(objects, "t", "v"), list("t v"));

    const QJsonObject d = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(d[QLatin1String("parsed")], true);
    EXPECT_EQ(d[QLatin1String("errors")], false);
    EXPECT_EQ(d[QLatin1String("errortext")], QString());
    EXPECT_EQ(d[QLatin1String("uidlast")], 10); // every element line, END lines too
    EXPECT_EQ(d[QLatin1String("errorlist")], QJsonArray());

    const QJsonArray elements = d[QLatin1String("elements")].toArray();
    ASSERT_EQ(elements.size(), 1);
    const QJsonObject p1 = elements[0].toObject();
    EXPECT_EQ(p1[QLatin1String("sort")], QStringLiteral("POINT"));
    EXPECT_EQ(p1[QLatin1String("id")], QStringLiteral("P1"));
    EXPECT_EQ(p1[QLatin1String("uid")], 8);
    EXPECT_EQ(p1[QLatin1String("line")], 8);
    const QJsonObject p2 = p1[QLatin1String("elements")].toArray()[0].toObject();
    EXPECT_EQ(p2[QLatin1String("id")], QStringLiteral("P2"));
    EXPECT_EQ(p2[QLatin1String("line")], 9);
    EXPECT_EQ(QJsonDocument(p2[QLatin1String("attributes")].toArray()).toJson(QJsonDocument::Compact),
              R"([["X",{"t":"long","v":2}],["C",{"t":"double","v":1}]])");

    const QJsonArray defs = d[QLatin1String("definitions")].toArray();
    ASSERT_EQ(defs.size(), 20);
    EXPECT_EQ(defs[0].toObject()[QLatin1String("name")], QStringLiteral("INCLUDE"));
    EXPECT_EQ(defs[0].toObject()[QLatin1String("internal")], true);
    EXPECT_EQ(defs[0].toObject()[QLatin1String("parentsallowed")], QJsonArray{ QStringLiteral("NONE") });
    const QJsonObject point = defs[19].toObject();
    EXPECT_EQ(point[QLatin1String("name")], QStringLiteral("POINT"));
    EXPECT_EQ(point[QLatin1String("internal")], false);
    EXPECT_EQ(point[QLatin1String("source")], f); // the path as given
    const QJsonObject x = point[QLatin1String("attributes")].toArray()[0].toObject();
    EXPECT_EQ(x[QLatin1String("sort")], 103);
    EXPECT_EQ(x[QLatin1String("required")], true);
    EXPECT_EQ(point[QLatin1String("attributes")].toArray()[1].toObject()[QLatin1String("enumid")],
              QStringLiteral("COLORS"));

    EXPECT_EQ(QJsonDocument(d[QLatin1String("enumerations")].toArray()).toJson(QJsonDocument::Compact),
              R"([{"description":"Farben","id":"COLORS","members":)"
              R"([{"description":"Rot","name":"RED","value":{"t":"double","v":1}}]}])");
}

TEST_F(AppTest, DumpValuesEscapingAndErrors)
{
    QByteArray script = "BEGIN ELEMENT NAME=\"T\"\n"
                        " STRING NAME=\"S\"\n DATE NAME=\"D\"\n DOUBLE NAME=\"F\"\n BOOL NAME=\"B\"\n"
                        " ATOMIC NAME=\"A\"\n LONG NAME=\"N\", REQUIRED=False\n"
                        "END\n";
    script += "T S=\"a\\b\x01 Grüße 😀\", D=\"2024-01-02 03:04:05\", F=1.5, B=ja, A=(1, 2)\n";
    script += "T S=\"\", D=\"2024-01-02\", F=0, B=nein, A=zz\n";
    script += "END\n";
    const Outcome r = run({ QStringLiteral("dump"), file(QStringLiteral("v.vorn"), script) });
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("\\u0001"));
    EXPECT_TRUE(r.out.contains("Grüße 😀")); // raw UTF-8, not escaped

    const QJsonObject d = QJsonDocument::fromJson(r.out).object();
    const QJsonArray elements = d[QLatin1String("elements")].toArray();
    ASSERT_EQ(elements.size(), 2);
    const auto attributes = [&](int i) {
        return QString::fromUtf8(QJsonDocument(elements[i].toObject()[QLatin1String("attributes")].toArray())
                                     .toJson(QJsonDocument::Compact));
    };
    EXPECT_EQ(attributes(0), QStringLiteral(R"([["S",{"t":"text","v":"a\\b\u0001 Grüße 😀"}],)"
                                            R"(["D",{"t":"date","v":"2024-01-02T03:04:05"}],)"
                                            R"(["F",{"t":"double","v":1.5}],["B",{"t":"bool","v":true}],)"
                                            R"(["A",{"t":"array","v":[{"t":"double","v":1},{"t":"double","v":2}]}],)"
                                            R"(["N",{"t":"text","v":""}]])"));
    EXPECT_EQ(attributes(1), QStringLiteral(R"([["S",{"t":"text","v":""}],)"
                                            R"(["D",{"t":"date","v":"2024-01-02T00:00:00"}],)"
                                            R"(["F",{"t":"double","v":0}],["B",{"t":"bool","v":false}],)"
                                            R"(["A",{"t":"empty"}],["N",{"t":"text","v":""}]])"));
    EXPECT_EQ(elements[1].toObject()[QLatin1String("errortext")], QStringLiteral("Der Wert 'zz' wurde nicht erkannt!"));

    const QString endError = QStringLiteral("Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element");
    EXPECT_EQ(d[QLatin1String("parsed")], false);
    EXPECT_EQ(d[QLatin1String("errors")], true);
    EXPECT_EQ(d[QLatin1String("errortext")], endError);
    EXPECT_EQ(d[QLatin1String("errorlist")],
              (QJsonArray{ endError, QStringLiteral("Der Wert 'zz' wurde nicht erkannt!") }));
}

TEST_F(AppTest, WriteGivesScriptTextAndStopsAtFailure)
{
    Outcome r = run({ QStringLiteral("write"),
                  file(QStringLiteral("w.vorn"), QByteArray(PointDef) + "BEGIN POINT ID=\"P1\", X=1\n"
                                                                        " POINT ID=\"P2\", X=2\n"
                                                                        "END\n"
                                                                        "POINT X=3\n") });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "BEGIN POINT \"P1\"\n\tX=1\n\tPOINT \"P2\", X=2\nEND\nPOINT X=3\n");
    EXPECT_TRUE(r.err.isEmpty());

    r = run({ QStringLiteral("write"), QStringLiteral("-") },
            "BEGIN ELEMENT NAME=\"T\"\n STRING NAME=\"S\"\nEND\nT S=\"Grüße\"\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "T S=\"Grüße\"\n");

    r = run({ QStringLiteral("write"), file(QStringLiteral("defs.vorn"), PointDef) });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());

    // A type without definition cannot be written: the lines before it, then the error.
    r = run({ QStringLiteral("write"), file(QStringLiteral("f.vorn"), QByteArray(PointDef) + "POINT ID=\"P1\", X=1\n"
                                                                                             "FOO Y=2\n"
                                                                                             "POINT ID=\"P2\", X=3\n") });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "POINT \"P1\", X=1\n");
    EXPECT_TRUE(r.errText().contains(QLatin1String("f.vorn"))) << r.errText().toStdString();
}

} // namespace
