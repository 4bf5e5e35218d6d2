// Our other paths on a parsed tree: the writer, packages, record files and lookups.

#include "benchmark_main.h"
#include "common.h"

#include <vorn/vorn.h>

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>

namespace {

// One set parsed once and kept while its benchmarks run.
struct Tree {
    std::string set;
    vorn::Ref<vorn::cls_VornStructure> structure;
    std::int64_t elements = 0;
    std::vector<std::pair<QString, qint32>> targets; // ID and UID of elements to look up
};
std::unique_ptr<Tree> current;

const Tree& tree(const std::string& set)
{
    if (current && current->set == set)
        return *current;
    current.reset();
    auto t = std::make_unique<Tree>();
    t->set = set;
    const std::string bytes = bench::readFile(bench::dataPath(set, "vorn"));
    const auto errors = vorn::CoreList::create();
    t->structure = vorn::VORN()->PARSE(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())), errors);
    if (errors->COUNT() != 0 || t->structure->ERRORS() || t->structure->ERRORSGLOBAL())
        throw std::runtime_error("the script of " + set + " has errors");
    t->elements = t->structure->ELEMENTS()->COUNT(true);

    // Lookup targets spread over the whole tree, the same ones on every run.
    std::vector<std::pair<QString, qint32>> all;
    std::function<void(const vorn::Ref<vorn::cls_VornElements>&)> collect = [&](const auto& list) {
        for (const auto& e : list->entries()) {
            all.emplace_back(e->ID(), e->UID());
            if (e->hasElements())
                collect(e->ELEMENTS());
        }
    };
    collect(t->structure->ELEMENTS());
    std::mt19937 rng(7);
    std::uniform_int_distribution<size_t> pick(0, all.size() - 1);
    for (int i = 0; i < 64; ++i)
        t->targets.push_back(all[pick(rng)]);
    current = std::move(t);
    return *current;
}

const Tree* treeOrSkip(benchmark::State& state, const std::string& set)
{
    try {
        return &tree(set);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

void setRate(benchmark::State& state, const Tree& t, std::int64_t bytes)
{
    const auto n = std::int64_t(state.iterations());
    state.SetBytesProcessed(n * bytes);
    state.SetItemsProcessed(n * t.elements);
    state.counters["elements"] = double(t.elements);
    state.counters["bytes"] = double(bytes);
}

// Every run timed, after an untimed one when there is only one.
template <class Run>
void timed(benchmark::State& state, Run run)
{
    bench::untimedFirstWhenSingle(state, run);
    for (auto _ : state)
        run();
}

// What `vorn write` does, short of printing: the tree as script lines, each as UTF-8.
void write(benchmark::State& state, const std::string& set)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    std::int64_t bytes = 0;
    timed(state, [&] {
        const auto lines = vorn::CoreList::create();
        lines->setITEMKIND(8);
        t->structure->ELEMENTS()->STORE(lines, 0, t->structure);
        bytes = 0;
        QByteArray out;
        for (const QString& line : lines->items()) {
            out = line.toUtf8();
            out += '\n';
            bytes += out.size();
            benchmark::DoNotOptimize(out.data());
        }
    });
    setRate(state, *t, bytes);
}

void packageGet(benchmark::State& state, const std::string& set)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    std::int64_t chars = 0;
    timed(state, [&] {
        const QString package = t->structure->DATA().PACKAGE();
        chars = package.size();
        benchmark::DoNotOptimize(package.constData());
    });
    setRate(state, *t, chars);
}

void packagePut(benchmark::State& state, const std::string& set)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    const QString package = t->structure->DATA().PACKAGE();
    const auto unpack = [&] {
        auto fresh = vorn::cls_VornStructure::create();
        fresh->DATA().setPACKAGE(package);
        return fresh;
    };
    bench::untimedFirstWhenSingle(state, unpack);
    for (auto _ : state) {
        auto fresh = unpack();
        state.PauseTiming();
        if (fresh->ELEMENTS()->COUNT(true) != t->elements)
            state.SkipWithError("unpacked tree differs");
        fresh.reset();
        state.ResumeTiming();
    }
    setRate(state, *t, package.size());
}

QString recordFile(const std::string& set, bool password)
{
    return QString::fromStdString(bench::dataDir() + "/record-" + set + (password ? "-pw" : "") + ".dat");
}

const QString Password = QStringLiteral("correct horse battery staple");

void recordSave(benchmark::State& state, const std::string& set, bool password)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    const QString file = recordFile(set, password);
    timed(state, [&] {
        if (!vorn::saveObject(*t->structure, file, password ? Password : QString()))
            state.SkipWithError("SAVE failed");
    });
    setRate(state, *t, QFile(file).size());
}

void recordLoad(benchmark::State& state, const std::string& set, bool password)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    const QString file = recordFile(set, password);
    if (!QFile::exists(file) && !vorn::saveObject(*t->structure, file, password ? Password : QString())) {
        state.SkipWithError("SAVE failed");
        return;
    }
    const auto load = [&] {
        auto fresh = vorn::cls_VornStructure::create();
        if (!vorn::loadObject(*fresh, file, password ? Password : QString()))
            state.SkipWithError("LOAD failed");
        return fresh;
    };
    bench::untimedFirstWhenSingle(state, load);
    for (auto _ : state) {
        auto fresh = load();
        state.PauseTiming();
        if (fresh->ELEMENTS()->COUNT(true) != t->elements)
            state.SkipWithError("loaded tree differs");
        fresh.reset();
        state.ResumeTiming();
    }
    setRate(state, *t, QFile(file).size());
}

// One lookup per iteration, cycling through targets spread over the tree.
void find(benchmark::State& state, const std::string& set, bool byUid)
{
    const Tree* t = treeOrSkip(state, set);
    if (!t)
        return;
    // The first lookup after a change walks the tree and the second builds the index; those
    // two are timed apart, the loop measures the lookups that follow.
    const auto lookup = [&](size_t k) {
        const auto& [id, uid] = t->targets[k % t->targets.size()];
        return t->structure->ELEMENTS()->FIND(byUid ? vorn::Variant(uid) : vorn::Variant(id));
    };
    QElapsedTimer warmUp;
    warmUp.start();
    lookup(0);
    lookup(1);
    state.counters["first_two_ms"] = double(warmUp.nsecsElapsed()) / 1e6;
    size_t i = 0;
    for (auto _ : state) {
        const size_t k = i++;
        const auto found = lookup(k);
        if (!found || found->UID() != t->targets[k % t->targets.size()].second)
            state.SkipWithError("lookup missed");
    }
    state.counters["elements"] = double(t->elements);
}

} // namespace

int main(int argc, char** argv)
{
    // Sets in ascending size, so each is parsed once; the largest gets one timed run per measure.
    for (const char* set : { "1mb", "10mb", "100mb" }) {
        if (!bench::exists(bench::dataPath(set, "meta.json")))
            continue;
        const std::string s = set;
        const bool large = s == "100mb";
        auto add = [&](const std::string& name, std::function<void(benchmark::State&)> fn, bool lookup = false) {
            auto* b = benchmark::RegisterBenchmark((name + "/" + s).c_str(), std::move(fn));
            b->Unit(lookup ? benchmark::kMicrosecond : benchmark::kMillisecond);
            if (lookup)
                b->MinTime(0.2);
            else if (large)
                b->Iterations(1);
            else
                b->Repetitions(3)->ReportAggregatesOnly(true)->MinTime(0.2);
        };
        add("write", [s](benchmark::State& st) { write(st, s); });
        add("package_get", [s](benchmark::State& st) { packageGet(st, s); });
        add("package_put", [s](benchmark::State& st) { packagePut(st, s); });
        add("record_save", [s](benchmark::State& st) { recordSave(st, s, false); });
        add("record_load", [s](benchmark::State& st) { recordLoad(st, s, false); });
        // With a password the key derivation adds a fixed cost; 1 and 10 MB show it.
        if (!large) {
            add("record_save_pw", [s](benchmark::State& st) { recordSave(st, s, true); });
            add("record_load_pw", [s](benchmark::State& st) { recordLoad(st, s, true); });
        }
        if (s != "1mb") {
            add(
                "find_id", [s](benchmark::State& st) { find(st, s, false); }, true);
            add(
                "find_uid", [s](benchmark::State& st) { find(st, s, true); }, true);
        }
    }
    return bench::runRegisteredBenchmarks(argc, argv);
}
