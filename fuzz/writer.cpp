// The writer on trees that fuzzed scripts produced. For a tree without errors, the written text
// read back with the same definitions gives the same tree: types, nesting, attribute names and
// typed values. Trees with identifiers are left out: the writer puts an identifier where a
// re-read takes it for the first value without a name.
// The structure's package is checked on the way: put into a fresh structure it comes back equal.
// The input is a script, or drives a generator of scripts that mostly read without errors.
#include "FuzzSupport.h"

using namespace vorn;

namespace {

// Whether no element carries an identifier: the writer puts one after the type, where a
// re-read takes it for the first value without a name (known not to survive a write).
bool withoutIdentifiers(cls_VornElements& elements)
{
    for (qint32 i = 1; i <= elements.COUNT(); ++i) {
        auto e = elements.Item(i);
        if (!e->ID().isEmpty() || (e->hasElements() && !withoutIdentifiers(*e->ELEMENTS())))
            return false;
    }
    return true;
}

void compareTrees(cls_VornStructure& s, cls_VornElements& a, cls_VornElements& b, const QString& parentSort,
                  const QString& where, const QString& written)
{
    FUZZ_CHECK(a.COUNT() == b.COUNT(), where + QStringLiteral(": element count\n") + written);
    for (qint32 i = 1; i <= a.COUNT(); ++i) {
        auto x = a.Item(i);
        auto y = b.Item(i);
        const QString here = where + QLatin1Char('/') + QString::number(i) + QLatin1Char(' ') + x->SORT();
        FUZZ_CHECK(x->SORT() == y->SORT(), here + QStringLiteral(": type ") + y->SORT() + QLatin1Char('\n') + written);
        auto def = s.DEFINITIONS()->ITEMPARENT(x->SORT(), parentSort);
        FUZZ_CHECK(def, here + QStringLiteral(": no definition"));
        auto& p = *x->ATTRIBUTES();
        auto& q = *y->ATTRIBUTES();
        auto typed = [&](cls_VornAttributes& bag, const QString& name) {
            auto attribute = def->ATTRIBUTES()->Item(name);
            const Variant v = bag.VALUE(name, Variant());
            return attribute ? DataTypes::CONVERT(v, attribute->SORT()) : v;
        };
        // Every named value of either side, as its data type gives it; a value left out by the
        // writer (empty, or only its default) must read back as the same typed value.
        for (cls_VornAttributes* bag : { &p, &q }) {
            for (qint32 k = 1; k <= bag->COUNT(); ++k) {
                const QString name = bag->NAME(k);
                if (name == u"ID")
                    continue;
                const Variant u = typed(p, name);
                const Variant v = typed(q, name);
                FUZZ_CHECK(u.kind() == v.kind() && u == v,
                           here + QStringLiteral(": attribute ") + name + QStringLiteral(" '") + u.toText()
                               + QStringLiteral("' came back as '") + v.toText() + QStringLiteral("'\n") + written);
            }
        }
        compareTrees(s, *x->ELEMENTS(), *y->ELEMENTS(), x->SORT(), here, written);
    }
}

// Scripts that mostly read without errors, so that the round trip is reached often: the input
// bytes choose the attributes of up to three types and the elements' nesting, types, identifiers
// and values (numbers, texts of raw input bytes, Booleans, dates, list members, arrays).
QString generatedScript(const uint8_t* data, size_t size)
{
    size_t pos = 0;
    auto byte = [&]() -> uint8_t { return pos < size ? data[pos++] : 0; };
    auto raw = [&]() {
        const size_t n = qMin<size_t>(byte() % 12, size - qMin(pos, size));
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(data + pos), qsizetype(n));
        pos += n;
        return t;
    };
    static const char* const Words[] = { "STRING", "LONG", "DOUBLE", "BOOL", "DATE", "ENUM", "ATOMIC" };
    const int types = 1 + byte() % 3;
    QString out = QStringLiteral(
        "BEGIN ENUMERATION NAME=\"L\"\n  ENUMITEM NAME=\"X\", VALUE=1\n"
        "  ENUMITEM NAME=\"Y\", VALUE=2\nEND\n");
    std::vector<std::vector<int>> attributes(static_cast<size_t>(types));
    for (int t = 0; t < types; ++t) {
        out += QStringLiteral("BEGIN ELEMENT NAME=\"T%1\"\n  STRING NAME=\"ID\", REQUIRED=no\n").arg(t);
        const int n = byte() % 6;
        for (int a = 0; a < n; ++a) {
            const int w = byte() % int(std::size(Words));
            attributes[size_t(t)].push_back(w);
            out += QStringLiteral("  %1 NAME=\"A%2\", REQUIRED=no").arg(QLatin1String(Words[w])).arg(a);
            if (w == 5)
                out += QStringLiteral(", ENUMID=\"L\", DEFAULT=\"X\"");
            out += QLatin1Char('\n');
        }
        // NONE first would allow the main level only.
        out += QStringLiteral("  PARENT ");
        for (int p = 0; p < types; ++p)
            out += QStringLiteral("\"T%1\", ").arg(p);
        out += QStringLiteral("\"NONE\"\nEND\n");
    }
    int open = 0;
    for (int line = 0; line < 24 && pos < size; ++line) {
        const uint8_t how = byte() % 4;
        if (how == 3 && open > 0) {
            out += QStringLiteral("END\n");
            --open;
            continue;
        }
        const int t = byte() % types;
        QString text = (how == 2 ? QStringLiteral("BEGIN T%1") : QStringLiteral("T%1")).arg(t);
        bool first = true;
        if (const uint8_t id = byte(); id & 1) {
            // Mostly empty: an identifier ends the round trip.
            text += QStringLiteral(" ID=\"") + (id & 6 ? QString() : raw()) + QLatin1Char('"');
            first = false;
        }
        for (size_t a = 0; a < attributes[size_t(t)].size(); ++a) {
            const uint8_t v = byte();
            if (v % 3 == 0)
                continue;
            static const char* const Booleans[] = { "ja", "nein", "true", "False", "wahr", "ok", "yes", "NO" };
            const auto number = [&] { return QString::number(qint32(byte() << 8 | byte()) - 32768); };
            const auto fraction = [&] { return QString::number((qint32(byte()) - 128) / 8.0, 'g', 17); };
            const auto date = [&] {
                return QStringLiteral("\"2%1%2%3-0%4-1%5\"")
                    .arg(byte() % 10)
                    .arg(byte() % 10)
                    .arg(byte() % 10)
                    .arg(1 + byte() % 9)
                    .arg(byte() % 10);
            };
            const auto quotedRaw = [&] { return QLatin1Char('"') + raw() + QLatin1Char('"'); };
            // Mostly a value of the attribute's type, now and then anything.
            int word = attributes[size_t(t)][a];
            if (v % 16 == 1)
                word = 7;
            else if (word == 6)
                word = byte() % 7;
            QString value;
            switch (word) {
            case 0: value = quotedRaw(); break;
            case 1: value = number(); break;
            case 2: value = byte() & 1 ? fraction() : number(); break;
            case 3: value = QLatin1String(Booleans[byte() % std::size(Booleans)]); break;
            case 4: value = date(); break;
            case 5: value = byte() & 1 ? QStringLiteral("\"Y\"") : QStringLiteral("\"X\""); break;
            case 6:
                value = QStringLiteral("(1, ") + quotedRaw() + QStringLiteral(", ") + fraction() + QLatin1Char(')');
                break;
            default: value = raw(); break;
            }
            text += (first ? QStringLiteral(" A%1=") : QStringLiteral(", A%1=")).arg(a) + value;
            first = false;
        }
        out += text + QLatin1Char('\n');
        if (how == 2)
            ++open;
    }
    while (open-- > 0)
        out += QStringLiteral("END\n");
    return out;
}

// How many inputs reached the comparison; printed at exit with VORN_FUZZ_COUNT set.
long compared = 0;
const bool counting = [] {
    if (qEnvironmentVariableIsSet("VORN_FUZZ_COUNT"))
        std::atexit([] { std::fprintf(stderr, "writer: %ld inputs compared after a write\n", compared); });
    return true;
}();

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte: bit 1 chooses a generated script, else the bytes are the script.
    const QString script = size > 0 && (data[0] & 2) ? generatedScript(data + 1, size - 1)
                                                     : fuzz::scriptText(data, size);
    auto first = cls_VornStructure::create();
    auto errors = CoreList::create();
    if (!fuzz::onlyVornErrors([&] { first->PARSE(script, errors); }, "PARSE"))
        return 0;

    // The package of whatever the reader built.
    const QString package = first->DATA().PACKAGE();
    auto copy = cls_VornStructure::create();
    FUZZ_CHECK(fuzz::onlyVornErrors([&] { copy->DATA().setPACKAGE(package); }, "setPACKAGE"),
               QStringLiteral("a structure's own package was refused"));
    FUZZ_CHECK(copy->DATA().PACKAGE() == package,
               QStringLiteral("the structure's package changed on the way back:\n") + package
                   + QStringLiteral("\n---\n") + copy->DATA().PACKAGE());

    QString text;
    const bool wrote = fuzz::onlyVornErrors(
        [&] { text = first->scriptLines()->JOIN(QString(), QStringLiteral("\n"), QString()); }, "scriptLines");
    if (qEnvironmentVariableIsSet("VORN_FUZZ_SHOW"))
        std::fprintf(stderr, "--- errors\n%s\n--- written\n%s\n", qPrintable(errors->items().join(u'\n')),
                     qPrintable(text));
    if (!wrote || errors->COUNT() > 0 || first->ERRORS() || first->ERRORSGLOBAL())
        return 0;
    if (!withoutIdentifiers(*first->ELEMENTS()))
        return 0;

    auto second = cls_VornStructure::create();
    second->DEFINITIONS()->DATA().COPY(*first->DEFINITIONS());
    second->ENUMERATIONS()->DATA().COPY(*first->ENUMERATIONS());
    auto again = CoreList::create();
    FUZZ_CHECK(fuzz::onlyVornErrors([&] { second->PARSE(text, again); }, "PARSE written"), text);
    FUZZ_CHECK(again->COUNT() == 0 && !second->ERRORS(),
               QStringLiteral("the written tree reads back with errors:\n") + again->items().join(u'\n')
                   + QStringLiteral("\n--- written\n") + text + QStringLiteral("\n--- script\n") + script);
    compareTrees(*first, *first->ELEMENTS(), *second->ELEMENTS(), QStringLiteral("NONE"), QString(), text);
    ++compared;
    return 0;
}
