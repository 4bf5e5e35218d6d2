// vorn_bench_report: turns the Google Benchmark outputs of bench/run into the tables it prints
// (Markdown, as in the README) and one JSON summary.
//
//   vorn_bench_report DIR   reads DIR/{parse,ops,ui}.json, DIR/rss.jsonl, DIR/data/*.meta.json;
//                           writes DIR/results.json

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

std::string dir;

json load(const std::string& file)
{
    std::ifstream in(dir + "/" + file);
    if (!in)
        return json();
    return json::parse(in, nullptr, false);
}

// Median aggregate where there were repetitions, else the single run; keyed by the name
// without the "repeats:", "iterations:" and "min_time:" parts.
std::map<std::string, json> runs(const json& out)
{
    std::map<std::string, json> byKey;
    if (!out.is_object())
        return byKey;
    for (const json& b : out["benchmarks"]) {
        if (b.value("error_occurred", false)) {
            std::fprintf(stderr, "report: %s failed: %s\n", b.value("name", "").c_str(),
                         b.value("error_message", "").c_str());
            continue;
        }
        const std::string type = b.value("run_type", "iteration");
        if (type == "aggregate" && b.value("aggregate_name", "") != "median")
            continue;
        std::string key;
        std::istringstream parts(b.value("run_name", b.value("name", "")));
        for (std::string part; std::getline(parts, part, '/');)
            if (part.find(':') == std::string::npos && part != "real_time")
                key += (key.empty() ? "" : "/") + part;
        if (type == "aggregate" || !byKey.count(key))
            byKey[key] = b;
    }
    return byKey;
}

double toMs(const json& b, const char* field)
{
    const std::string unit = b.value("time_unit", "ns");
    const double t = b.value(field, 0.0);
    return unit == "ms" ? t : unit == "us" ? t / 1e3 : unit == "s" ? t * 1e3 : t / 1e6;
}

std::string fmt(double v, int digits = 1)
{
    if (std::isnan(v))
        return "–";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", digits, v);
    return buf;
}

// Three significant digits, for values from 0.001 to 100 000.
std::string sig(double v)
{
    if (std::isnan(v))
        return "–";
    const double a = std::fabs(v);
    return fmt(v, a >= 100 ? 0 : a >= 10 ? 1 : a >= 1 ? 2 : 3);
}

const double MB = 1e6;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: vorn_bench_report DIR\n", stderr);
        return 2;
    }
    dir = argv[1];
    const json parseOut = load("parse.json"), opsOut = load("ops.json"), uiOut = load("ui.json");
    const auto parse = runs(parseOut), ops = runs(opsOut), ui = runs(uiOut);

    std::map<std::string, json> rss; // "parser/set"
    {
        std::ifstream in(dir + "/rss.jsonl");
        for (std::string line; std::getline(in, line);) {
            const json j = json::parse(line, nullptr, false);
            if (j.is_object())
                rss[j.value("parser", "") + "/" + j.value("set", "")] = j;
        }
    }

    json result;
    const json& ctx = parseOut.is_object() ? parseOut["context"] : json::object();
    result["machine"] = { { "date", ctx.value("date", "") },
                          { "cpus", ctx.value("num_cpus", 0) },
                          { "mhz_per_cpu", ctx.value("mhz_per_cpu", 0) },
                          { "load_avg", ctx.value("load_avg", json::array()) } };
    result["note"] =
        "Times are medians of processor time (CPU) per run; wall times are under real_ms. "
        "heap_B_per_elem: mallinfo2 uordblks+hblkhd growth while the DOM is alive. "
        "peak_rss: VmHWM of a fresh process that read the input and parsed it once.";

    const char* sets[] = { "1mb", "10mb", "100mb" };
    const char* parsers[] = { "vorn", "pugixml", "rapidjson", "nlohmann", "yaml-cpp" };

    std::printf("\n### Parsing the same tree (CPU time, median)\n\n");
    std::printf(
        "| parser | form | set | elements | input MB | ms | MB/s | k elements/s | heap B/element "
        "(retained DOM) | peak RSS MB (fresh process) |\n");
    std::printf("|---|---|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const char* set : sets)
        for (const char* p : parsers) {
            const std::string key = std::string("parse/") + p + "/" + set;
            if (!parse.count(key))
                continue;
            const json& b = parse.at(key);
            const double elements = b.value("elements", 0.0);
            const double mbps = b.value("bytes_per_second", 0.0) / MB;
            const double ms = toMs(b, "cpu_time");
            const double inputMb = mbps * ms / 1e3;
            std::string peak = "–";
            json row = { { "parser", p },
                         { "set", set },
                         { "elements", elements },
                         { "input_MB", inputMb },
                         { "cpu_ms", ms },
                         { "real_ms", toMs(b, "real_time") },
                         { "MB_per_s", mbps },
                         { "elements_per_s", b.value("items_per_second", 0.0) },
                         { "heap_B_per_elem", b.value("heap_B_per_elem", 0.0) } };
            if (rss.count(std::string(p) + "/" + set)) {
                const json& r = rss.at(std::string(p) + "/" + set);
                const double after = r.value("hwm_after", 0.0), before = r.value("hwm_before", 0.0);
                peak = sig(after / MB) + " (+" + sig((after - before) / MB) + ")";
                row["peak_rss_MB"] = after / MB;
                row["peak_rss_growth_MB"] = (after - before) / MB;
            }
            result["parse"].push_back(row);
            const std::string form = p == std::string("vorn") ? "Vorn"
                : p == std::string("pugixml")                 ? "XML"
                : p == std::string("yaml-cpp")                ? "YAML"
                                                              : "JSON";
            std::printf("| %s | %s | %s | %.0f | %s | %s | %s | %s | %s | %s |\n", p, form.c_str(), set, elements,
                        sig(inputMb).c_str(), sig(ms).c_str(), sig(mbps).c_str(),
                        sig(b.value("items_per_second", 0.0) / 1e3).c_str(),
                        fmt(b.value("heap_B_per_elem", 0.0), 0).c_str(), peak.c_str());
        }

    if (parse.count("parse_alternating/vorn_nlohmann/10mb")) {
        const json& b = parse.at("parse_alternating/vorn_nlohmann/10mb");
        result["alternating"] = { { "set", "10mb" },
                                  { "pairs", b.value("pairs", 0.0) },
                                  { "vorn_cpu_ms", b.value("vorn_ms", 0.0) },
                                  { "nlohmann_cpu_ms", b.value("nlohmann_ms", 0.0) },
                                  { "ratio", b.value("ratio", 0.0) },
                                  { "ratio_min", b.value("ratio_min", 0.0) },
                                  { "ratio_max", b.value("ratio_max", 0.0) } };
        std::printf("\n### Ours and nlohmann::json in turn (10 MB set, CPU time, medians of the pairs)\n\n");
        std::printf("| pairs | vorn ms | nlohmann ms | our elements/s over theirs | lowest, highest pair |\n");
        std::printf("|---:|---:|---:|---:|---:|\n");
        std::printf("| %.0f | %s | %s | %s | %s, %s |\n", b.value("pairs", 0.0), sig(b.value("vorn_ms", 0.0)).c_str(),
                    sig(b.value("nlohmann_ms", 0.0)).c_str(), fmt(b.value("ratio", 0.0), 2).c_str(),
                    fmt(b.value("ratio_min", 0.0), 2).c_str(), fmt(b.value("ratio_max", 0.0), 2).c_str());
    }

    // Growth: time per run at 10 and 100 MB over the size below; about 10 is linear.
    auto growth = [&](const std::map<std::string, json>& from, const std::string& prefix, const std::string& label) {
        double t[3];
        for (int i = 0; i < 3; ++i) {
            const std::string key = prefix + sets[i];
            t[i] = from.count(key) ? toMs(from.at(key), "cpu_time") : NAN;
        }
        if (std::isnan(t[0]) && std::isnan(t[1]))
            return;
        result["growth"].push_back({ { "what", label },
                                     { "cpu_ms", { t[0], t[1], t[2] } },
                                     { "ratio_10_1", t[1] / t[0] },
                                     { "ratio_100_10", t[2] / t[1] } });
        std::printf("| %s | %s | %s | %s | %s | %s |\n", label.c_str(), sig(t[0]).c_str(), sig(t[1]).c_str(),
                    sig(t[2]).c_str(), fmt(t[1] / t[0]).c_str(), fmt(t[2] / t[1]).c_str());
    };
    std::printf("\n### Cost growth 1 → 10 → 100 MB (CPU ms per run; a ratio of about 10 is linear)\n\n");
    std::printf("| what | 1 MB | 10 MB | 100 MB | 10 MB / 1 MB | 100 MB / 10 MB |\n|---|---:|---:|---:|---:|---:|\n");
    for (const char* p : parsers)
        growth(parse, std::string("parse/") + p + "/", std::string("parse ") + p);
    const std::pair<const char*, const char*> opNames[] = {
        { "write", "writer (vorn write)" },
        { "package_get", "PACKAGE get" },
        { "package_put", "PACKAGE put" },
        { "record_save", "record SAVE" },
        { "record_load", "record LOAD" },
        { "record_save_pw", "record SAVE, password" },
        { "record_load_pw", "record LOAD, password" },
    };
    for (const auto& [op, label] : opNames)
        growth(ops, std::string(op) + "/", label);

    std::printf("\n### Writer, packages and record files (MB/s of the text each one makes or reads, CPU time)\n\n");
    std::printf(
        "| what | MB/s at 1 MB | MB/s at 10 MB | MB/s at 100 MB | MB of its text at 10 MB |\n"
        "|---|---:|---:|---:|---:|\n");
    for (const auto& [op, label] : opNames) {
        std::string cells[3], size10 = "–";
        for (int i = 0; i < 3; ++i) {
            const std::string key = std::string(op) + "/" + sets[i];
            cells[i] = "–";
            if (!ops.count(key))
                continue;
            const json& b = ops.at(key);
            cells[i] = sig(b.value("bytes_per_second", 0.0) / MB);
            if (i == 1)
                size10 = sig(b.value("bytes", 0.0) / MB);
            result["ops"].push_back({ { "what", op },
                                      { "set", sets[i] },
                                      { "MB_per_s", b.value("bytes_per_second", 0.0) / MB },
                                      { "bytes", b.value("bytes", 0.0) },
                                      { "cpu_ms", toMs(b, "cpu_time") },
                                      { "real_ms", toMs(b, "real_time") } });
        }
        std::printf("| %s | %s | %s | %s | %s |\n", label, cells[0].c_str(), cells[1].c_str(), cells[2].c_str(),
                    size10.c_str());
    }

    std::printf(
        "\n### FIND on a large tree (per lookup once the index stands, CPU time)\n\n| tree | elements | by ID | "
        "by UID | first two lookups after a change (walk, build), by ID |\n|---|---:|---:|---:|---:|\n");
    for (const char* set : sets) {
        const std::string id = std::string("find_id/") + set, uid = std::string("find_uid/") + set;
        if (!ops.count(id) || !ops.count(uid))
            continue;
        const double a = toMs(ops.at(id), "cpu_time"), b = toMs(ops.at(uid), "cpu_time");
        const double firstTwo = ops.at(id).value("first_two_ms", 0.0);
        result["find"].push_back({ { "set", set },
                                   { "elements", ops.at(id).value("elements", 0.0) },
                                   { "by_id_ms", a },
                                   { "by_uid_ms", b },
                                   { "first_two_by_id_ms", firstTwo } });
        std::printf("| %s | %.0f | %s µs | %s µs | %s ms |\n", set, ops.at(id).value("elements", 0.0),
                    sig(a * 1000).c_str(), sig(b * 1000).c_str(), sig(firstTwo).c_str());
    }

    std::printf(
        "\n### Editor and viewer (offscreen)\n\n| what | median wall ms | p95 wall ms | median CPU ms | notes |\n"
        "|---|---:|---:|---:|---|\n");
    for (const auto& [key, b] : ui) {
        std::string note;
        if (b.contains("lines"))
            note = fmt(b.value("lines", 0.0), 0) + " lines";
        if (b.contains("elements"))
            note = fmt(b.value("elements", 0.0), 0) + " elements";
        if (b.contains("press_cpu_ms"))
            note += "; CPU ms in press " + sig(b.value("press_cpu_ms", 0.0)) + ", release "
                + sig(b.value("release_cpu_ms", 0.0)) + ", repaint " + sig(b.value("paint_cpu_ms", 0.0));
        result["ui"].push_back({ { "what", key },
                                 { "median_ms", b.value("median_ms", 0.0) },
                                 { "p95_ms", b.value("p95_ms", 0.0) },
                                 { "cpu_median_ms", b.value("cpu_median_ms", 0.0) },
                                 { "note", note } });
        std::printf("| %s | %s | %s | %s | %s |\n", key.c_str(), sig(b.value("median_ms", 0.0)).c_str(),
                    sig(b.value("p95_ms", 0.0)).c_str(), sig(b.value("cpu_median_ms", 0.0)).c_str(), note.c_str());
    }

    std::ofstream(dir + "/results.json") << result.dump(2) << '\n';
    std::printf("\nSummary written to %s/results.json\n", dir.c_str());
    return 0;
}
