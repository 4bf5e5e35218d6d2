// Reading, writing and reading again gives the same tree, for generated scripts.
#include "support/Engine.h"

#include <cmath>
#include <random>

using namespace support;

namespace {

// Compares two trees read against the same definitions: types, IDs, nesting, and every value
// as its attribute's data type gives it (defaults stand unconverted in a bag).
void expectSameTree(cls_VornStructure& defs, cls_VornElements& a, cls_VornElements& b, const QString& parent,
                    const QString& where)
{
    ASSERT_EQ(a.COUNT(), b.COUNT()) << where.toStdString();
    for (qint32 i = 1; i <= a.COUNT(); ++i) {
        auto x = a.Item(i), y = b.Item(i);
        const std::string here = (where + "/" + QString::number(i)).toStdString();
        ASSERT_EQ(x->SORT(), y->SORT()) << here;
        EXPECT_EQ(x->ID(), y->ID()) << here;
        auto def = defs.DEFINITIONS()->ITEMPARENT(x->SORT(), parent);
        ASSERT_TRUE(def) << here;
        auto &p = *x->ATTRIBUTES(), &q = *y->ATTRIBUTES();
        ASSERT_EQ(p.COUNT(), q.COUNT()) << here;
        for (qint32 k = 1; k <= p.COUNT(); ++k) {
            ASSERT_EQ(p.NAME(k), q.NAME(k)) << here;
            const qint32 type = def->ATTRIBUTES()->Item(p.NAME(k))->SORT();
            const Variant u = DataTypes::CONVERT(p.VALUE(k), type), v = DataTypes::CONVERT(q.VALUE(k), type);
            EXPECT_EQ(u.kind(), v.kind()) << here << " " << p.NAME(k).toStdString();
            EXPECT_EQ(u, v) << here << " " << p.NAME(k).toStdString();
        }
        expectSameTree(defs, *x->ELEMENTS(), *y->ELEMENTS(), x->SORT(), where + "/" + QString::number(i));
    }
}

void roundTrip(const QString& definitions, const QString& body, const QString& label)
{
    auto first = cls_VornStructure::create();
    const QStringList errors = parseList(first, definitions + body);
    ASSERT_TRUE(errors.isEmpty()) << label.toStdString() << "\n" << errors.join("\n").toStdString();
    QString text;
    try {
        text = first->scriptLines()->items().join("\n");
    } catch (const Error& e) {
        FAIL() << label.toStdString() << ": " << e.description().toStdString();
    }
    auto second = cls_VornStructure::create();
    const QStringList again = parseList(second, definitions + text);
    ASSERT_TRUE(again.isEmpty()) << label.toStdString() << "\n"
                                 << again.join("\n").toStdString() << "\n--- input\n"
                                 << body.toStdString() << "\n--- written\n"
                                 << text.toStdString();
    expectSameTree(*first, *first->ELEMENTS(), *second->ELEMENTS(), "NONE", label);
}

// Random types (data-type attributes, parent rules, a variant for one parent) and random trees
// of elements that obey them.
class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    void build(QString& definitions, QString& body)
    {
        for (int i = 2 + pick(3); i > 0; --i)
            m_types.push_back(makeType("N" + QString::number(i - 1)));
        if (chance(2))
            m_types.push_back(makeType("N0.N1")); // N0 below N1 is checked as "N0.N1"
        for (Type& t : m_types) {
            for (const Type& p : m_types)
                if (t.rule == Listed && !p.name.contains('.') && chance(2))
                    t.parents.append(p.name);
            if (t.rule == Listed && t.parents.isEmpty())
                t.rule = Anywhere;
            definitions += "BEGIN ELEMENT NAME=\"" + t.name + "\"\n  STRING NAME=\"ID\", REQUIRED=no\n";
            for (const auto& [name, word, required] : t.attributes)
                definitions += "  " + (chance(5) ? word.toLower() : word) + " NAME=\"" + name + "\""
                    + (required ? "" : ", REQUIRED=no") + (chance(3) ? ", DEFAULT=" + value(word) : "") + "\n";
            if (t.rule != Anywhere)
                definitions += "  PARENT \"" + (t.rule == MainOnly ? QStringList{ "NONE" } : t.parents).join("\", \"")
                    + "\"\n";
            definitions += "END\n";
        }
        for (int i = 1 + pick(4); i > 0; --i)
            element(QString(), 0, body);
    }

private:
    enum Rule { Anywhere, MainOnly, Listed };
    struct Type {
        QString name;
        std::vector<std::tuple<QString, QString, bool>> attributes; // name, data-type word, required
        Rule rule;
        QStringList parents;
    };

    int pick(int n) { return int(m_random() % unsigned(n)); }
    bool chance(int n) { return pick(n) == 0; }

    Type makeType(const QString& name)
    {
        QStringList words = { "LONG", "DOUBLE", "STRING", "BOOL", "DATE" };
        std::shuffle(words.begin(), words.end(), m_random);
        Type t{ name, {}, name.contains('.') ? Anywhere : Rule(pick(3)), {} };
        for (int i = pick(6); i > 0; --i)
            t.attributes.emplace_back("A" + words[i - 1], words[i - 1], chance(3));
        return t;
    }

    QString value(const QString& word)
    {
        static const QStringList longs = { "2147483647", "-2147483648", "0", "\"-7\"", "2.5" };
        static const QStringList doubles = { "0.1", "-2.5",     "1e20",      "1e-7",  "0",
                                             "0.0", "\"3.25\"", "12345.678", "-0.001" };
        static const QStringList bools = { "ja", "NEIN", "True", "false", "Ok", "no", "WAHR", "1", "0" };
        static const QString chars = QStringLiteral("abcXYZ019 ,=()'#.-_äß€*/\\");
        if (word == "LONG")
            return chance(4) ? longs[pick(5)] : QString::number(int(m_random() % 2000001) - 1000000);
        if (word == "DOUBLE")
            return chance(3) ? doubles[pick(9)]
                             : numberText(double(int(m_random() % 100000) - 50000) / double(1 + pick(1000)));
        if (word == "BOOL")
            return bools[pick(9)];
        if (word == "DATE") {
            const QDate d = QDate(1900, 1, 1).addDays(pick(73000));
            const int form = pick(3);
            return "\""
                + (form == 1
                       ? d.toString("dd.MM.yyyy") + " " + QTime(pick(24), pick(60), pick(60)).toString("HH:mm:ss")
                       : d.toString("yyyy-MM-dd") + (form ? "T" + QTime(pick(24), pick(60)).toString("HH:mm") : ""))
                + "\"";
        }
        QString s;
        for (int i = pick(8); i > 0; --i)
            s += chars[pick(int(chars.size()))];
        return "\"" + s + "\"";
    }

    void element(const QString& parent, int depth, QString& out)
    {
        std::vector<const Type*> choices; // the definitions that will check an element below `parent`
        for (const Type& t : m_types) {
            const auto variant = std::find_if(m_types.begin(), m_types.end(), [&](const Type& v) {
                return !parent.isEmpty() && v.name == t.name + "." + parent;
            });
            if (t.name.contains('.'))
                continue;
            if (variant != m_types.end())
                choices.push_back(&*variant);
            else if (parent.isEmpty() ? t.rule != Listed : (t.rule == Anywhere || t.parents.contains(parent)))
                choices.push_back(&t);
        }
        if (choices.empty())
            return;
        const Type* type = choices[size_t(pick(int(choices.size())))];
        const QString name = type->name.section('.', 0, 0), indent(depth * 2, ' ');
        // The writer puts an identifier where a re-read takes it for the first unnamed value, and
        // writes a default it could not convert as text: so no identifier, every attribute given.
        QStringList values;
        for (size_t i = 0; i < type->attributes.size(); ++i) {
            const auto& [attribute, word, required] = type->attributes[i];
            values.append(i == 0 && chance(3) ? "ID=\"\", " + value(word) : attribute + "=" + value(word));
        }
        const int children = depth < 3 && chance(3) ? 1 + pick(3) : 0;
        const bool block = children > 0 || chance(4);
        out += indent + (block ? "BEGIN " : "") + name;
        if (!values.isEmpty()) // now and then split over continuation lines
            out += " " + values.join(chance(4) ? ",\n" + indent + "  " : QStringLiteral(", "));
        out += chance(6) ? "\n" + indent + "# note\n" : "\n";
        if (block) {
            for (int i = 0; i < children; ++i)
                element(type->name, depth + 1, out); // the SORT the check gives it
            out += indent + (chance(2) ? "END\n" : "end\n");
        }
    }

    std::mt19937 m_random;
    std::vector<Type> m_types;
};

} // namespace

TEST(RoundTripTest, GeneratedScriptsReadBackUnchanged)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        Generator generator(seed);
        QString definitions, body;
        generator.build(definitions, body);
        roundTrip(definitions, body, "seed " + QString::number(seed));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(RoundTripTest, GeneratedArraysReadBackEqual)
{
    const QString definition = "BEGIN ELEMENT NAME=\"BAG\"\n  ATOMIC NAME=\"A\", REQUIRED=no\nEND\n";
    static const QString chars = QStringLiteral("abXZ09 ,=()'#.-_;äß€*/\\");
    std::mt19937 random(7);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    auto item = [&]() -> Variant {
        switch (pick(6)) {
        case 0: return Variant();
        case 1: return qint32(int(random()));
        case 2: return std::ldexp(double(int(random())), pick(200) - 100);
        case 3: return pick(2) == 0;
        default: {
            QString s;
            for (int i = pick(6); i > 0; --i)
                s += chars[pick(int(chars.size()))];
            return s;
        }
        }
    };
    for (int round = 0; round < 400; ++round) {
        VariantArray items;
        for (int i = pick(6); i > 0; --i)
            items.push_back(item());
        auto s = cls_VornStructure::create();
        ASSERT_TRUE(parseList(s, definition).isEmpty());
        auto bag = s->ELEMENTS()->CREATE();
        bag->setSORT("BAG");
        bag->ATTRIBUTES()->setVALUE("A", items);
        const QString text = s->scriptLines()->items().join("\n");
        auto again = cls_VornStructure::create();
        ASSERT_TRUE(parseList(again, definition + text).isEmpty()) << text.toStdString();
        ASSERT_EQ(again->ELEMENTS()->COUNT(), 1) << text.toStdString();
        const Variant back = again->ELEMENTS()->Item(1)->ATTRIBUTES()->VALUE("A");
        ASSERT_TRUE(back.isArray()) << text.toStdString();
        ASSERT_EQ(back.array().size(), items.size()) << text.toStdString();
        for (size_t i = 0; i < items.size(); ++i) {
            // Numbers come back as doubles; texts as texts and empty items as empty.
            EXPECT_EQ(back.array()[i], items[i]) << text.toStdString();
            EXPECT_EQ(back.array()[i].isText(), items[i].isText()) << text.toStdString();
        }
    }

    // What the reader would give back as something else is refused instead of written.
    for (const Variant& bad : { Variant(VariantArray{ Variant(VariantArray{ 1.0 }) }),
                                Variant(VariantArray{ QDateTime::currentDateTimeUtc() }),
                                Variant(VariantArray{ Variant(Ref<Object>(cls_VornStructure::create())) }),
                                Variant(VariantArray{ std::nan("") }), Variant(VariantArray{ "tab\there" }) }) {
        auto s = cls_VornStructure::create();
        ASSERT_TRUE(parseList(s, definition).isEmpty());
        auto bag = s->ELEMENTS()->CREATE();
        bag->setSORT("BAG");
        bag->ATTRIBUTES()->setVALUE("A", bad);
        EXPECT_THROW(s->scriptLines(), Error);
    }
}
