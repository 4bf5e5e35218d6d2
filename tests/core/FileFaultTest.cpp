// Faults around record files and script files on disk: a folder that refuses writes, a process
// killed in the middle of a save, and a file that another process is writing while it is loaded.
// Each time the file that was there before stays whole and loadable.

#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

using namespace vorn;
using support::readAll;

namespace {

Ref<CoreList> listOf(int items, int length, char fill)
{
    auto list = CoreList::create();
    for (int i = 0; i < items; ++i)
        list->ADD(QString(length, QLatin1Char(fill)) + QString::number(i));
    return list;
}

// Runs f in a child process and answers its exit status (-1 when it did not exit normally).
int inChild(const std::function<int()>& f)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(f());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A save into a folder that refuses writes. As root, permissions do not stop writes, so the
// save then runs in a child that has given up root.
bool saveInReadOnlyFolder(const QString& folder, const std::function<bool()>& save)
{
    EXPECT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    bool saved;
    if (geteuid() == 0) {
        saved = inChild([&] {
                    if (setgid(65534) != 0 || setuid(65534) != 0)
                        return 2;
                    return save() ? 1 : 0;
                })
            != 0;
    } else {
        saved = save();
    }
    chmod(QFile::encodeName(folder).constData(), 0755);
    return saved;
}

class FileFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Reachable for the child that gave up root.
        chmod(QFile::encodeName(dir.path()).constData(), 0755);
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("data")));
        folder = dir.filePath(QStringLiteral("data"));
    }
    QString path(const char* name) const { return folder + QLatin1Char('/') + QLatin1String(name); }
    QStringList filesInFolder() const { return QDir(folder).entryList(QDir::Files); }

    QTemporaryDir dir;
    QString folder;
};

} // namespace

TEST_F(FileFaultTest, SaveIntoReadOnlyFolderKeepsThePreviousFile)
{
    // A record file, with and without a password.
    for (const QString& pw : { QString(), QStringLiteral("geheim") }) {
        const QString file = path(pw.isEmpty() ? "open.rec" : "sealed.rec");
        ASSERT_TRUE(listOf(3, 10, 'a')->SAVE(file, pw));
        const QByteArray before = readAll(file);
        EXPECT_FALSE(saveInReadOnlyFolder(folder, [&] { return listOf(50, 1000, 'b')->SAVE(file, pw); }));
        EXPECT_EQ(readAll(file), before);
        auto back = CoreList::create();
        ASSERT_TRUE(back->LOAD(file, pw));
        EXPECT_EQ(back->items(), listOf(3, 10, 'a')->items());
    }

    // A script written by the structure.
    const QString script = path("tree.vorn");
    auto s = cls_VornStructure::create();
    s->PARSE(QStringLiteral("BEGIN ELEMENT NAME=\"T\"\n  LONG NAME=\"N\"\nEND\nT N=1\n"));
    ASSERT_TRUE(s->SAVE(script));
    const QByteArray before = readAll(script);
    s->PARSE(QStringLiteral("T N=2\n"));
    EXPECT_FALSE(saveInReadOnlyFolder(folder, [&] { return s->SAVE(script); }));
    EXPECT_EQ(readAll(script), before);
    EXPECT_EQ(filesInFolder().size(), 3); // nothing left behind
}

TEST_F(FileFaultTest, KillDuringSaveLeavesThePreviousFileWhole)
{
    const QString file = path("big.rec");
    const auto old = listOf(4, 100, 'o');
    ASSERT_TRUE(old->SAVE(file));

    // The child saves a large list over and over; it is killed while its temporary file is
    // open, i.e. in the middle of a save, before the file is replaced.
    const auto big = listOf(1000, 16 * 1024, 'n');
    for (int round = 0; round < 3; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;)
                big->SAVE(file);
        }
        bool midWrite = false;
        for (int i = 0; i < 100000 && !midWrite; ++i) {
            midWrite = filesInFolder().size() > 1;
            if (!midWrite)
                usleep(100);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        EXPECT_TRUE(midWrite) << "round " << round << ": the kill did not land during a write";

        auto back = CoreList::create();
        ASSERT_TRUE(back->LOAD(file)) << "round " << round;
        EXPECT_TRUE(back->items() == old->items() || back->items() == big->items()) << "round " << round;
        // A killed save leaves its temporary file behind; removed so that each round sees its own.
        for (const QString& name : filesInFolder())
            if (name != u"big.rec")
                QFile::remove(folder + QLatin1Char('/') + name);
    }
}

TEST_F(FileFaultTest, LoadWhileAnotherProcessWritesFailsCleanlyOrReadsWholeContent)
{
    const QString file = path("shared.rec");
    const auto a = listOf(200, 2000, 'a');
    const auto b = listOf(300, 1500, 'b');
    ASSERT_TRUE(a->SAVE(file));
    QByteArray bytesA = readAll(file);
    ASSERT_TRUE(b->SAVE(file));
    QByteArray bytesB = readAll(file);

    // mode 0: the child replaces the file with SAVE; mode 1: it rewrites it in place, in small
    // pieces, as a program that knows nothing of temporary files would.
    for (int mode = 0; mode < 2; ++mode) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0;; ++i) {
                if (mode == 0) {
                    (i % 2 ? a : b)->SAVE(file);
                    continue;
                }
                const QByteArray& content = i % 2 ? bytesA : bytesB;
                QFile f(file);
                if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    _exit(3);
                for (qsizetype at = 0; at < content.size(); at += 4096) {
                    f.write(content.constData() + at, qMin<qsizetype>(4096, content.size() - at));
                    f.flush();
                }
            }
        }
        int loaded = 0, refused = 0;
        for (int i = 0; i < 150; ++i) {
            auto target = listOf(1, 3, 't');
            if (target->LOAD(file)) {
                ++loaded;
                EXPECT_TRUE(target->items() == a->items() || target->items() == b->items()) << "mode " << mode;
            } else {
                ++refused;
                EXPECT_EQ(target->items(), listOf(1, 3, 't')->items()) << "mode " << mode;
            }
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        EXPECT_EQ(loaded + refused, 150);
        if (mode == 0) {
            EXPECT_EQ(refused, 0); // a replaced file is always old or new, never half
        }
    }
}
