// LOAD of arbitrary bytes from a file into every persistent class, without and with a password.
// A failed LOAD leaves the object as it was; what a LOAD took, SAVE and LOAD give back.
//
// The first byte chooses: bit 0 a password; bit 1 (without password) wraps the rest in a valid
// frame and check sum, so that the payload reader and every class's record reader are reached;
// the bits above them the class.
#include "FuzzSupport.h"

#include <QFile>

#include <QTemporaryDir>
#include <tuple>

using namespace vorn;

namespace {

const QString& folder()
{
    static QTemporaryDir dir;
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        std::abort();
}

} // namespace

// VORN_FUZZ_SEEDS=DIR writes seed inputs there (records of a parsed script and its parts: open,
// framed payload, sealed) and ends the program.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const QString dir = qEnvironmentVariable("VORN_FUZZ_SEEDS");
    if (dir.isEmpty())
        return 0;
    auto s = cls_VornStructure::create();
    s->PARSE(
        QStringLiteral("BEGIN ENUMERATION NAME=\"KINDS\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
                       "BEGIN ELEMENT NAME=\"ROOM\"\n  STRING NAME=\"ID\"\n  DATE NAME=\"D\", REQUIRED=no\n"
                       "  ENUM NAME=\"KIND\", ENUMID=\"KINDS\", DEFAULT=\"A\", REQUIRED=no\nEND\n"
                       "BEGIN ROOM \"R1\", D=\"2020-02-03\"\n  ROOM \"R2\", KIND=\"A\"\nEND\n"));
    auto list = CoreList::create();
    list->ADD(QStringLiteral("one"));
    // With the class numbers of persistentSamples().
    const std::tuple<const char*, DataEvents*, int> objects[] = { { "structure", s.get(), 10 },
                                                                  { "elements", s->ELEMENTS().get(), 3 },
                                                                  { "element", s->ELEMENTS()->Item(1).get(), 2 },
                                                                  { "definitions", s->DEFINITIONS().get(), 7 },
                                                                  { "enumerations", s->ENUMERATIONS().get(), 9 },
                                                                  { "list", list.get(), 0 } };
    const QString scratch = folder() + QStringLiteral("seed.rec");
    for (const auto& [name, object, n] : objects) {
        if (!saveObject(*object, scratch, QString()))
            std::abort();
        QFile f(scratch);
        if (!f.open(QIODevice::ReadOnly))
            std::abort();
        const QByteArray file = f.readAll();
        const QByteArray payload = CoreFile::decode(file, QString());
        writeFile(dir + QStringLiteral("/open-") + QLatin1String(name), QByteArray(1, char(n << 2)) + file);
        writeFile(dir + QStringLiteral("/payload-") + QLatin1String(name), QByteArray(1, char(n << 2 | 2)) + payload);
    }
    if (!saveObject(*list, scratch, QStringLiteral("geheim")))
        std::abort();
    QFile f(scratch);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    writeFile(dir + QStringLiteral("/sealed-list"), QByteArray(1, '\1') + f.readAll());
    std::exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool withPassword = data[0] & 1;
    const bool framed = !withPassword && (data[0] & 2);
    const QString password = withPassword ? QStringLiteral("geheim") : QString();
    QByteArray content = fuzz::bytesOf(data + 1, size - 1);
    if (framed)
        content = CoreFile::encode(content, QString());
    const QString file = folder() + QStringLiteral("input.rec");
    const QString copy = folder() + QStringLiteral("copy.rec");
    writeFile(file, content);

    const std::vector<Ref<DataEvents>> samples = fuzz::persistentSamples();
    {
        const Ref<DataEvents>& object = samples[size_t(data[0] >> 2) % samples.size()];
        const QString before = object->DATA().PACKAGE();
        bool loaded = false;
        const bool clean = fuzz::onlyVornErrors([&] { loaded = loadObject(*object, file, password); }, "LOAD");
        FUZZ_CHECK(clean, object->className() + QStringLiteral(": LOAD raised instead of answering False"));
        const QString after = object->DATA().PACKAGE();
        if (!loaded) {
            FUZZ_CHECK(after == before, object->className() + QStringLiteral(": a failed LOAD changed the object"));
            return 0;
        }
        // Saved without a password: sealing costs a key derivation per run.
        FUZZ_CHECK(saveObject(*object, copy, QString()),
                   object->className() + QStringLiteral(": SAVE of a loaded object failed"));
        Ref<DataEvents> fresh = std::dynamic_pointer_cast<DataEvents>(object->DATA().SPAWN());
        FUZZ_CHECK(loadObject(*fresh, copy, QString()),
                   object->className() + QStringLiteral(": its own file was refused"));
        FUZZ_CHECK(fresh->DATA().PACKAGE() == after,
                   object->className() + QStringLiteral(": changed on the way back:\n") + after
                       + QStringLiteral("\n---\n") + fresh->DATA().PACKAGE());
    }
    return 0;
}
