// vorn_bench_gen: writes one seeded tree of typed elements as Vorn script, XML, JSON and YAML.
//
//   vorn_bench_gen --out DIR --name NAME [--seed N] (--mb N | --elements N | --lines N) [--vorn-only]
//
// Writes DIR/NAME.vorn (and .xml, .json, .yaml) and DIR/NAME.meta.json with the element count
// and the size of every form. A set whose meta file already matches the arguments is kept.

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int GeneratorVersion = 2; // bump when the output changes, so old sets are rebuilt

enum class Kind { String, Long, Double, Bool, Enum, Date };

struct AttrDef {
    const char* name;
    Kind kind;
};

struct TypeDef {
    const char* name;
    char prefix;
    const char* parent;
    std::vector<AttrDef> attrs; // after ID
    int minChildren, maxChildren;
};

const char* const Colours[] = { "RED", "GREEN", "BLUE", "YELLOW", "CYAN", "MAGENTA", "BLACK", "WHITE" };

// Four levels; the fan-out makes an average top-level group of about 150 elements.
const TypeDef Types[] = {
    { "GROUP",
      'G',
      "NONE",
      { { "NAME", Kind::String },
        { "CREATED", Kind::Date },
        { "ACTIVE", Kind::Bool },
        { "COLOUR", Kind::Enum },
        { "WEIGHT", Kind::Double } },
      2,
      8 },
    { "SECTION",
      'S',
      "GROUP",
      { { "TITLE", Kind::String },
        { "LEVEL", Kind::Long },
        { "RATIO", Kind::Double },
        { "COLOUR", Kind::Enum },
        { "OPEN", Kind::Bool } },
      2,
      8 },
    { "ITEM",
      'I',
      "SECTION",
      { { "NAME", Kind::String },
        { "COUNT", Kind::Long },
        { "PRICE", Kind::Double },
        { "DUE", Kind::Date },
        { "COLOUR", Kind::Enum } },
      0,
      10 },
    { "LEAF",
      'L',
      "ITEM",
      { { "LABEL", Kind::String },
        { "AMOUNT", Kind::Double },
        { "FLAG", Kind::Bool },
        { "CODE", Kind::Long },
        { "SHADE", Kind::Enum } },
      0,
      0 },
};
constexpr int Levels = int(std::size(Types));

struct Value {
    Kind kind;
    std::string text; // as written in every form; quoted where the form needs quotes
    bool flag = false;
};

class Out {
public:
    explicit Out(const std::string& path) : m_file(path.empty() ? nullptr : std::fopen(path.c_str(), "wb"))
    {
        if (!path.empty() && !m_file) {
            std::perror(path.c_str());
            std::exit(2);
        }
    }
    ~Out() { close(); }
    void close()
    {
        flush();
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
    }
    Out& operator<<(std::string_view s)
    {
        m_buf.append(s);
        if (m_buf.size() > (1 << 20))
            flush();
        return *this;
    }
    Out& operator<<(char c)
    {
        m_buf.push_back(c);
        return *this;
    }
    void indent(int n) { m_buf.append(size_t(n), ' '); }
    std::uint64_t bytes() const { return m_written + m_buf.size(); }
    bool active() const { return m_file != nullptr; }

private:
    void flush()
    {
        if (m_file && !m_buf.empty())
            std::fwrite(m_buf.data(), 1, m_buf.size(), m_file);
        m_written += m_buf.size();
        m_buf.clear();
    }
    std::FILE* m_file;
    std::string m_buf;
    std::uint64_t m_written = 0;
};

struct Limits {
    std::uint64_t bytes = 0, elements = 0, lines = 0;
};

class Generator {
public:
    Generator(std::uint64_t seed, const std::string& base, bool vornOnly)
        : m_vornOnly(vornOnly), m_rng(seed), m_vorn(base + ".vorn"), m_xml(vornOnly ? "" : base + ".xml"),
          m_json(vornOnly ? "" : base + ".json"), m_yaml(vornOnly ? "" : base + ".yaml")
    {
    }

    void run(const Limits& limits, std::uint64_t seed)
    {
        m_limits = limits;
        header(seed);
        bool first = true;
        while (!full()) {
            element(0, first);
            first = false;
        }
        footer();
    }

    std::uint64_t elements() const { return m_count; }
    std::uint64_t lines() const { return m_lines; }
    nlohmann::json sizes()
    {
        m_vorn.close(), m_xml.close(), m_json.close(), m_yaml.close();
        nlohmann::json j = { { "vorn", m_vorn.bytes() } };
        if (!m_vornOnly) {
            j["xml"] = m_xml.bytes();
            j["json"] = m_json.bytes();
            j["yaml"] = m_yaml.bytes();
        }
        return j;
    }

private:
    bool full() const
    {
        return (m_limits.bytes && m_vorn.bytes() >= m_limits.bytes)
            || (m_limits.elements && m_count >= m_limits.elements) || (m_limits.lines && m_lines >= m_limits.lines);
    }

    void vornLine(int indent, std::string_view text)
    {
        m_vorn.indent(indent * 4);
        m_vorn << text << '\n';
        ++m_lines;
    }

    void header(std::uint64_t seed)
    {
        vornLine(0, "# Benchmark data written by vorn_bench_gen, seed " + std::to_string(seed));
        vornLine(0, "BEGIN ENUMERATION NAME=\"COLOURS\", DESCRIPTION=\"Colours of things\"");
        for (size_t i = 0; i < std::size(Colours); ++i)
            vornLine(1, std::string("ENUMITEM NAME=\"") + Colours[i] + "\", VALUE=" + std::to_string(i + 1));
        vornLine(0, "END");
        static const char* const KindNames[] = { "STRING", "LONG", "DOUBLE", "BOOL", "ENUM", "DATE" };
        for (const TypeDef& t : Types) {
            vornLine(0, std::string("BEGIN ELEMENT NAME=\"") + t.name + "\"");
            vornLine(1, "STRING NAME=\"ID\"");
            for (const AttrDef& a : t.attrs) {
                std::string line = std::string(KindNames[int(a.kind)]) + " NAME=\"" + a.name + "\"";
                if (a.kind == Kind::Enum)
                    line += ", ENUMID=\"COLOURS\"";
                vornLine(1, line);
            }
            vornLine(1, std::string("PARENT \"") + t.parent + "\"");
            vornLine(0, "END");
        }
        m_xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<elements>\n";
        m_json << "[\n";
    }

    void footer()
    {
        m_xml << "</elements>\n";
        m_json << "\n]\n";
    }

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    Value value(Kind kind)
    {
        char buf[64];
        switch (kind) {
        case Kind::String: {
            // Words of lower-case letters: nothing that any of the forms must escape.
            std::string s;
            const int words = uniform(1, 3);
            for (int w = 0; w < words; ++w) {
                if (w)
                    s += ' ';
                const int n = uniform(3, 9);
                for (int i = 0; i < n; ++i)
                    s += char('a' + uniform(0, 25));
            }
            return { kind, s };
        }
        case Kind::Long: return { kind, std::to_string(uniform(-1000000, 1000000)) };
        case Kind::Double: {
            const double d = uniform(-9999999, 9999999) / 1000.0;
            auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 3);
            return { kind, std::string(buf, r.ptr) };
        }
        case Kind::Bool: {
            Value v{ kind, {} };
            v.flag = uniform(0, 1) == 1;
            return v;
        }
        case Kind::Enum: return { kind, Colours[uniform(0, int(std::size(Colours)) - 1)] };
        case Kind::Date:
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", uniform(1990, 2030), uniform(1, 12), uniform(1, 28));
            return { kind, buf };
        }
        return { kind, {} };
    }

    static bool quotedInVorn(Kind k) { return k == Kind::String || k == Kind::Enum || k == Kind::Date; }

    void element(int level, bool firstSibling)
    {
        const TypeDef& t = Types[level];
        ++m_count;
        const std::string id = t.prefix + std::to_string(m_count);
        std::vector<Value> values;
        values.reserve(t.attrs.size());
        for (const AttrDef& a : t.attrs)
            values.push_back(value(a.kind));
        const int children = level + 1 < Levels ? uniform(t.minChildren, t.maxChildren) : 0;

        // Vorn: the ID right after the type, then named values.
        std::string line = children ? "BEGIN " : "";
        line += t.name;
        line += " \"" + id + "\"";
        for (size_t i = 0; i < values.size(); ++i) {
            const Value& v = values[i];
            line += ", ";
            line += t.attrs[i].name;
            line += '=';
            if (v.kind == Kind::Bool)
                line += v.flag ? "yes" : "no";
            else if (quotedInVorn(v.kind))
                line += '"' + v.text + '"';
            else
                line += v.text;
        }
        vornLine(level, line);

        // XML: attributes on the element.
        if (m_xml.active()) {
            m_xml.indent((level + 1) * 4);
            m_xml << '<' << t.name << " ID=\"" << id << '"';
            for (size_t i = 0; i < values.size(); ++i) {
                const Value& v = values[i];
                m_xml << ' ' << t.attrs[i].name << "=\""
                      << (v.kind == Kind::Bool ? (v.flag ? "true" : "false") : v.text) << '"';
            }
            m_xml << (children ? ">\n" : "/>\n");

            // JSON: one object per element, children in an array.
            if (!firstSibling)
                m_json << ",\n";
            m_json.indent((level + 1) * 2);
            m_json << "{\"type\":\"" << t.name << "\",\"ID\":\"" << id << '"';
            for (size_t i = 0; i < values.size(); ++i) {
                const Value& v = values[i];
                m_json << ",\"" << t.attrs[i].name << "\":";
                if (v.kind == Kind::Bool)
                    m_json << (v.flag ? "true" : "false");
                else if (quotedInVorn(v.kind))
                    m_json << '"' << v.text << '"';
                else
                    m_json << v.text;
            }
            if (children)
                m_json << ",\"children\":[\n";

            // YAML: block mappings in block sequences.
            const int in = level * 4;
            m_yaml.indent(in);
            m_yaml << "- type: " << t.name << '\n';
            m_yaml.indent(in + 2);
            m_yaml << "ID: " << id << '\n';
            for (size_t i = 0; i < values.size(); ++i) {
                const Value& v = values[i];
                m_yaml.indent(in + 2);
                m_yaml << t.attrs[i].name << ": ";
                if (v.kind == Kind::Bool)
                    m_yaml << (v.flag ? "true" : "false");
                else if (quotedInVorn(v.kind))
                    m_yaml << '"' << v.text << '"';
                else
                    m_yaml << v.text;
                m_yaml << '\n';
            }
            if (children) {
                m_yaml.indent(in + 2);
                m_yaml << "children:\n";
            }
        }

        int written = 0;
        for (int c = 0; c < children && !(m_limits.elements && m_count >= m_limits.elements); ++c, ++written)
            element(level + 1, c == 0);
        if (children) {
            vornLine(level, "END");
            if (m_xml.active()) {
                m_xml.indent((level + 1) * 4);
                m_xml << "</" << t.name << ">\n";
                if (!written) // the element budget ran out before its first child
                    m_yaml.indent(level * 4 + 4), m_yaml << "[]\n";
                m_json << '\n';
                m_json.indent((level + 1) * 2);
                m_json << "]}";
            }
        } else if (m_xml.active()) {
            m_json << '}';
        }
    }

    bool m_vornOnly;
    std::mt19937_64 m_rng;
    Out m_vorn, m_xml, m_json, m_yaml;
    Limits m_limits;
    std::uint64_t m_count = 0;
    std::uint64_t m_lines = 0;
};

[[noreturn]] void usage()
{
    std::fputs(
        "usage: vorn_bench_gen --out DIR --name NAME [--seed N] (--mb N | --elements N | --lines N) "
        "[--vorn-only]\n",
        stderr);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    std::string out, name;
    std::uint64_t seed = 42;
    Limits limits;
    bool vornOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc)
                usage();
            return argv[++i];
        };
        if (a == "--out")
            out = next();
        else if (a == "--name")
            name = next();
        else if (a == "--seed")
            seed = std::stoull(next());
        else if (a == "--mb")
            limits.bytes = std::stoull(next()) * 1000 * 1000;
        else if (a == "--elements")
            limits.elements = std::stoull(next());
        else if (a == "--lines")
            limits.lines = std::stoull(next());
        else if (a == "--vorn-only")
            vornOnly = true;
        else
            usage();
    }
    if (out.empty() || name.empty() || !(limits.bytes || limits.elements || limits.lines))
        usage();

    const std::string base = out + "/" + name;
    const nlohmann::json request = { { "version", GeneratorVersion }, { "seed", seed },
                                     { "bytes", limits.bytes },       { "elements", limits.elements },
                                     { "lines", limits.lines },       { "vornOnly", vornOnly } };
    {
        std::ifstream old(base + ".meta.json");
        if (old) {
            const nlohmann::json meta = nlohmann::json::parse(old, nullptr, false);
            if (!meta.is_discarded() && meta.value("request", nlohmann::json()) == request)
                return 0;
        }
    }

    Generator g(seed, base, vornOnly);
    g.run(limits, seed);
    nlohmann::json meta = { { "request", request }, { "elements", g.elements() }, { "vornLines", g.lines() } };
    meta["bytes"] = g.sizes();
    std::ofstream(base + ".meta.json") << meta.dump(2) << '\n';
    std::printf("generated %s: %llu elements, %s\n", name.c_str(), (unsigned long long)g.elements(),
                meta["bytes"].dump().c_str());
    return 0;
}
