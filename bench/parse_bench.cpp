// Parsing the same tree with our reader and four peers: time, throughput and the heap the built
// DOM keeps. `vorn_bench_parse --rss PARSER SET` instead parses once and prints the peak
// resident size of this fresh process (bench/run calls it per parser).

#include "benchmark_main.h"
#include "common.h"

#include <vorn/vorn.h>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <rapidjson/document.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

// The input of one set and form, read once and kept while benchmarks use it. Our reader takes
// a QString, so the script is also decoded once, before timing.
struct Input {
    std::string set, form, bytes;
    QString text;
    std::int64_t elements = 0;
};
std::unique_ptr<Input> current;

const Input& input(const std::string& set, const std::string& form)
{
    if (!current || current->set != set || current->form != form) {
        current.reset();
        auto in = std::make_unique<Input>();
        in->set = set;
        in->form = form;
        in->bytes = bench::readFile(bench::dataPath(set, form));
        if (form == "vorn")
            in->text = QString::fromUtf8(in->bytes.data(), qsizetype(in->bytes.size()));
        in->elements = bench::meta(set)["elements"].get<std::int64_t>();
        current = std::move(in);
    }
    return *current;
}

// One parser: the form it reads, and a parse that returns the live DOM (released with the
// pointer) or throws.
struct Parser {
    const char* name;
    const char* form;
    std::function<std::shared_ptr<void>(const Input&)> parse;
};

std::shared_ptr<void> parseVorn(const Input& in)
{
    const auto errors = vorn::CoreList::create();
    auto structure = vorn::VORN()->PARSE(in.text, errors);
    if (errors->COUNT() != 0 || structure->ERRORS())
        throw std::runtime_error("script has errors: " + errors->ITEM(1).toStdString()
                                 + structure->ERRORTEXT().toStdString());
    return structure;
}

const Parser Parsers[] = {
    { "vorn", "vorn", parseVorn },
    { "pugixml", "xml",
      [](const Input& in) {
          auto doc = std::make_shared<pugi::xml_document>();
          const pugi::xml_parse_result r = doc->load_buffer(in.bytes.data(), in.bytes.size());
          if (!r)
              throw std::runtime_error(r.description());
          return std::shared_ptr<void>(doc);
      } },
    { "rapidjson", "json",
      [](const Input& in) {
          auto doc = std::make_shared<rapidjson::Document>();
          doc->Parse(in.bytes.data(), in.bytes.size());
          if (doc->HasParseError())
              throw std::runtime_error("rapidjson parse error");
          return std::shared_ptr<void>(doc);
      } },
    { "nlohmann", "json",
      [](const Input& in) {
          return std::shared_ptr<void>(std::make_shared<nlohmann::json>(nlohmann::json::parse(in.bytes)));
      } },
    { "yaml-cpp", "yaml",
      [](const Input& in) { return std::shared_ptr<void>(std::make_shared<YAML::Node>(YAML::Load(in.bytes))); } },
};

void run(benchmark::State& state, const Parser& p, const std::string& set)
{
    const Input* in = nullptr;
    try {
        in = &input(set, p.form);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    // The cold cost stays visible in the fresh-process peak-resident column.
    try {
        bench::untimedFirstWhenSingle(state, [&] { p.parse(*in).reset(); });
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    std::int64_t retained = 0;
    bool checked = false;
    for (auto _ : state) {
        state.PauseTiming();
        const std::int64_t before = bench::heapInUse();
        state.ResumeTiming();
        std::shared_ptr<void> dom;
        try {
            dom = p.parse(*in);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        state.PauseTiming();
        retained += bench::heapInUse() - before;
        if (std::string(p.name) == "vorn" && !checked) {
            checked = true;
            const auto s = std::static_pointer_cast<vorn::cls_VornStructure>(dom);
            if (s->ELEMENTS()->COUNT(true) != in->elements || s->ERRORSGLOBAL())
                state.SkipWithError("element count differs from the generator's, or elements carry errors");
        }
        dom.reset(); // freeing the DOM is not part of parsing
        state.ResumeTiming();
    }
    const auto n = std::int64_t(state.iterations());
    state.SetBytesProcessed(n * std::int64_t(in->bytes.size()));
    state.SetItemsProcessed(n * in->elements);
    state.counters["elements"] = double(in->elements);
    state.counters["heap_B_per_elem"] = n ? double(retained) / double(n) / double(in->elements) : 0;
}

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Ours and nlohmann::json in turn, run after run: the machine's speed drifts from minute to
// minute, and a pair of runs seconds apart sees the same machine. Reports the median time of
// each and the median of the pairs' ratios (their time over ours: our elements per second as a
// multiple of theirs).
void alternating(benchmark::State& state, const std::string& set)
{
    const Parser* ours = &Parsers[0];
    const Parser* theirs = nullptr;
    for (const Parser& p : Parsers)
        if (std::string(p.name) == "nlohmann")
            theirs = &p;
    Input script, json;
    try {
        script = input(set, ours->form);
        json = input(set, theirs->form);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    std::vector<double> oursMs, theirsMs, ratios;
    try {
        // One untimed pair first, so that neither pays alone for the first touch of its heap.
        ours->parse(script).reset();
        theirs->parse(json).reset();
        for (auto _ : state) {
            const Input* order[2] = { &script, &json };
            const Parser* parsers[2] = { ours, theirs };
            double ms[2];
            for (int i = 0; i < 2; ++i) {
                const double start = processCpuMs();
                auto dom = parsers[i]->parse(*order[i]);
                ms[i] = processCpuMs() - start;
                dom.reset();
            }
            oursMs.push_back(ms[0]);
            theirsMs.push_back(ms[1]);
            ratios.push_back(ms[1] / ms[0]);
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["pairs"] = double(ratios.size());
    state.counters["vorn_ms"] = median(oursMs);
    state.counters["nlohmann_ms"] = median(theirsMs);
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = ratios.empty() ? 0.0 : *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = ratios.empty() ? 0.0 : *std::max_element(ratios.begin(), ratios.end());
}

// Peak resident size of a fresh process around one parse.
int rssMode(const std::string& parser, const std::string& set)
{
    for (const Parser& p : Parsers)
        if (parser == p.name) {
            const Input& in = input(set, p.form);
            const std::int64_t before = bench::procStatus("VmHWM");
            auto dom = p.parse(in);
            const std::int64_t after = bench::procStatus("VmHWM");
            const nlohmann::json j = { { "parser", parser },        { "set", set },
                                       { "elements", in.elements }, { "input_bytes", in.bytes.size() },
                                       { "hwm_before", before },    { "hwm_after", after } };
            std::printf("%s\n", j.dump().c_str());
            std::fflush(stdout);
            std::_Exit(0); // the measure is taken; skip freeing the DOM
        }
    std::fprintf(stderr, "unknown parser %s\n", parser.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--rss") == 0)
        return rssMode(argv[2], argv[3]);

    // Sets of 1, 10 and 100 MB of script; the largest gets one timed run after an untimed one.
    for (const char* set : { "1mb", "10mb", "100mb" }) {
        if (!bench::exists(bench::dataPath(set, "meta.json")))
            continue;
        const bool large = std::string(set) == "100mb";
        for (const Parser& p : Parsers) {
            // yaml-cpp keeps about 7 KB per element: the 100 MB tree would need some 6 GB.
            if (large && std::string(p.name) == "yaml-cpp")
                continue;
            auto* b = benchmark::RegisterBenchmark((std::string("parse/") + p.name + "/" + set).c_str(),
                                                   [&p, set](benchmark::State& s) { run(s, p, set); });
            b->Unit(benchmark::kMillisecond);
            if (large)
                b->Iterations(1);
            else
                b->Repetitions(3)->ReportAggregatesOnly(true)->MinTime(0.2);
        }
    }
    if (bench::exists(bench::dataPath("10mb", "meta.json")))
        benchmark::RegisterBenchmark("parse_alternating/vorn_nlohmann/10mb",
                                     [](benchmark::State& s) { alternating(s, "10mb"); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(9);
    return bench::runRegisteredBenchmarks(argc, argv);
}
