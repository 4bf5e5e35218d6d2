// Memory stays in proportion to the input for adversarial scripts, packages and record files:
// the peak resident memory a PARSE, a package put or a LOAD adds, per byte of input.
// Measured with the kernel's peak-RSS counter (reset through /proc/self/clear_refs); not
// meaningful under AddressSanitizer, whose shadow memory and quarantine dwarf the input.

#include <vorn/vorn.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>
#include <functional>
#include <iostream>

using namespace vorn;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

// Bytes of resident memory the kernel reports for a /proc/self/status field.
qint64 statusBytes(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// The peak resident memory f adds above what was resident before it. Free memory is handed
// back first, so that what an earlier case freed cannot hide what this one needs.
qint64 peakAdded(const std::function<void()>& f)
{
    malloc_trim(0);
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        return -1;
    reset.close();
    const qint64 before = statusBytes("VmRSS:");
    f();
    return statusBytes("VmHWM:") - before;
}

QString repeated(const QString& piece, qsizetype totalSize)
{
    QString out;
    out.reserve(totalSize + piece.size());
    while (out.size() < totalSize)
        out += piece;
    return out;
}

// Bytes each input byte may cost at the peak. The worst case measured is a script of short
// faulty lines: an element object with its error text for every two bytes (about 750 bytes per
// input byte); the bound leaves room for allocator slack.
constexpr double BoundPerByte = 1024;
constexpr qsizetype InputSize = 256 * 1024;

} // namespace

TEST(MemoryBound, AdversarialInputsStayInProportionToTheirSize)
{
    if (Sanitized)
        GTEST_SKIP() << "resident memory is not meaningful under AddressSanitizer";
    if (peakAdded([] {}) < 0)
        GTEST_SKIP() << "the peak-RSS counter cannot be reset here";

    const QString types = QStringLiteral(
        "BEGIN ELEMENT NAME=\"T\"\n  STRING NAME=\"ID\", REQUIRED=no\n"
        "  ATOMIC NAME=\"A\", REQUIRED=no\n  PARENT \"NONE\", \"T\"\nEND\n");
    struct Case {
        const char* name;
        QString script;
    };
    const std::vector<Case> scripts = {
        { "short faulty lines", repeated(QStringLiteral("X\n"), InputSize) },
        { "short valid elements", types + repeated(QStringLiteral("T\n"), InputSize) },
        { "unknown attributes", types + repeated(QStringLiteral("T Q=1\n"), InputSize) },
        { "one long line of values",
          types + QStringLiteral("T ") + repeated(QStringLiteral("1,"), InputSize) + QStringLiteral("1\n") },
        { "continued lines",
          types + QStringLiteral("T A=") + repeated(QStringLiteral("1...\n"), InputSize) + QStringLiteral("1\n") },
        { "a long array",
          types + QStringLiteral("T A=(") + repeated(QStringLiteral("1,"), InputSize) + QStringLiteral("1)\n") },
        { "nesting past the limit", types + repeated(QStringLiteral("BEGIN T\n"), InputSize / 2) },
        { "unclosed blocks at the limit",
          types + repeated(QStringLiteral("BEGIN T\n"), 256 * 8) + repeated(QStringLiteral("T\n"), InputSize) },
        { "type declarations",
          repeated(QStringLiteral("BEGIN ELEMENT NAME=\"U\"\n  LONG NAME=\"L\"\nEND\n"), InputSize) },
        { "value lists",
          repeated(QStringLiteral("BEGIN ENUMERATION NAME=\"E\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"), InputSize) },
        { "long texts",
          types
              + repeated(QStringLiteral("T A=\"") + QString(1000, QLatin1Char('x')) + QStringLiteral("\"\n"),
                         InputSize) },
    };

    double worst = 0;
    for (const Case& c : scripts) {
        // Script bytes as a file holds them: UTF-8, here one byte per character.
        const double size = double(c.script.size());
        Ref<cls_VornStructure> kept;
        const qint64 added = peakAdded([&] {
            kept = cls_VornStructure::create();
            kept->PARSE(c.script);
        });
        const double perByte = double(added) / size;
        worst = std::max(worst, perByte);
        std::cout << "[ memory ] PARSE " << c.name << ": " << qint64(perByte) << " bytes per input byte\n";
        EXPECT_LE(perByte, BoundPerByte) << c.name;
    }

    // Packages and record files: a long list of texts, and arrays nested to the limit.
    auto list = CoreList::create();
    for (int i = 0; i < InputSize / 16; ++i)
        list->ADD(QStringLiteral("abcdefgh"));
    const QString listPackage = list->DATA().PACKAGE();
    QString nested = QStringLiteral("VP1A1:");
    for (int i = 0; i < 1000; ++i)
        nested += QStringLiteral("A1:");
    nested += QStringLiteral("E");
    for (const auto& [name, package] :
         { std::pair{ "package of a long list", listPackage }, std::pair{ "package of nested arrays", nested } }) {
        auto target = CoreList::create();
        const qint64 added = peakAdded([&] {
            try {
                target->DATA().setPACKAGE(package);
            } catch (const Error&) {
            }
        });
        const double perByte = double(added) / double(package.size());
        worst = std::max(worst, perByte);
        std::cout << "[ memory ] setPACKAGE " << name << ": " << qint64(perByte) << " bytes per input byte\n";
        EXPECT_LE(perByte, BoundPerByte) << name;
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("list.rec"));
    ASSERT_TRUE(list->SAVE(file));
    const double fileSize = double(QFile(file).size());
    auto loaded = CoreList::create();
    const qint64 added = peakAdded([&] { EXPECT_TRUE(loaded->LOAD(file)); });
    std::cout << "[ memory ] LOAD of a long list: " << qint64(double(added) / fileSize) << " bytes per input byte\n";
    EXPECT_LE(double(added) / fileSize, BoundPerByte);
    std::cout << "[ memory ] worst: " << qint64(worst) << " bytes per input byte\n";
}
