// The scripts the README and docs/ show are checked as they stand: a `vorn` block checks clean,
// a `vorn-errors` block gives exactly the messages of the `text` block that follows it.
#include "support/Program.h"

#include <QDirIterator>

namespace {

struct Block {
    QString tag, text, where;
};

std::vector<Block> fencedBlocks(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    std::vector<Block> blocks;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(QLatin1String("```")))
            continue;
        Block b{ lines[i].mid(3).trimmed(), {}, QFileInfo(path).fileName() + ":" + QString::number(i + 1) };
        while (++i < lines.size() && !lines[i].startsWith(QLatin1String("```")))
            b.text += lines[i] + '\n';
        blocks.push_back(b);
    }
    return blocks;
}

} // namespace

TEST_F(AppTest, EveryScriptInTheDocumentationChecksAsShown)
{
    QStringList documents = { QStringLiteral(VORN_SOURCE_DIR "/README.md") };
    for (QDirIterator it(QStringLiteral(VORN_SOURCE_DIR "/docs"), { "*.md" }, QDir::Files); it.hasNext();)
        documents << it.next();
    const QStringList tags = { "vorn", "vorn-errors", "sh", "json", "cpp", "text" };
    int scripts = 0;
    for (const QString& document : documents) {
        const std::vector<Block> blocks = fencedBlocks(document);
        for (size_t i = 0; i < blocks.size(); ++i) {
            const Block& b = blocks[i];
            const std::string where = b.where.toStdString();
            EXPECT_TRUE(tags.contains(b.tag))
                << where << ": a block is tagged with one of " << tags.join(' ').toStdString();
            if (!b.tag.startsWith(QLatin1String("vorn")))
                continue;
            ++scripts;
            const Outcome r = run("check " + file("block.vorn", b.text.toUtf8()));
            if (b.tag == "vorn") {
                EXPECT_EQ(r.code, 0) << where << "\n" << r.outText().toStdString();
                continue;
            }
            ASSERT_TRUE(i + 1 < blocks.size() && blocks[i + 1].tag == "text")
                << where << ": its messages follow as text";
            EXPECT_EQ(r.code, 1) << where;
            EXPECT_EQ(r.outText().replace("block.vorn:", ""), blocks[i + 1].text) << where;
        }
    }
    EXPECT_GE(scripts, 3);
}
