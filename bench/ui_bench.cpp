// The editor and the viewer, offscreen: a keystroke in a long script, and opening the viewer
// dialog on a large tree.

#include "benchmark_main.h"
#include "common.h"

#include <vorn/editor/ctl_VornEdit.h>
#include <vorn/viewer/Viewer.h>
#include <vorn/viewer/frm_DialogVornViewer.h>
#include <vorn/vorn.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double wallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    const size_t k = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(k), v.end());
    return v[k];
}

QString scriptOf(const std::string& set)
{
    const std::string bytes = bench::readFile(bench::dataPath(set, "vorn"));
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// The editor on the long script, cursor in the middle, shown offscreen.
struct Editor {
    vorn::ctl_VornEdit edit;
    qint32 lines = 0;
    explicit Editor(const QString& text)
    {
        edit.resize(1000, 700);
        edit.setCONTENT(text);
        edit.show();
        QApplication::processEvents();
        lines = edit.EDIT()->document().lineCount();
        edit.EDIT()->view().setCursor(lines / 2, 8, 0);
        edit.synchronise();
        QApplication::processEvents();
    }
};

void sendKey(QWidget* target, QEvent::Type type, char c)
{
    QKeyEvent e(type, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QLatin1Char(c)));
    QApplication::sendEvent(target, &e);
}

void report(benchmark::State& state, const std::vector<double>& wall, const std::vector<double>& cpu, qint32 lines)
{
    state.counters["lines"] = lines;
    state.counters["median_ms"] = percentile(wall, 0.5);
    state.counters["p95_ms"] = percentile(wall, 0.95);
    state.counters["cpu_median_ms"] = percentile(cpu, 0.5);
}

// A typed letter as the window gets it: press and release reach the canvas, the engine inserts
// the letter, the control synchronises (undo snapshot, scroll bars) and the canvas repaints.
void keystroke(benchmark::State& state, const std::string& set)
{
    Editor ed(scriptOf(set));
    QWidget* canvas = ed.edit.pic_Edit();
    std::vector<double> wall, cpu, press, release, paint; // per keystroke, ms
    int i = 0;
    for (auto _ : state) {
        const char c = char('a' + (i++ % 26));
        const double w0 = wallMs(), c0 = threadCpuMs();
        sendKey(canvas, QEvent::KeyPress, c);
        const double p1 = threadCpuMs();
        sendKey(canvas, QEvent::KeyRelease, c);
        const double p2 = threadCpuMs();
        QApplication::processEvents(); // the repaint
        const double p3 = threadCpuMs();
        press.push_back(p1 - c0);
        release.push_back(p2 - p1);
        paint.push_back(p3 - p2);
        wall.push_back(wallMs() - w0);
        cpu.push_back(threadCpuMs() - c0);
    }
    report(state, wall, cpu, ed.lines);
    // Where a keystroke's processor time goes (medians).
    state.counters["press_cpu_ms"] = percentile(press, 0.5);
    state.counters["release_cpu_ms"] = percentile(release, 0.5);
    state.counters["paint_cpu_ms"] = percentile(paint, 0.5);
}

// The synchronisation step alone, after the engine took a letter.
void synchronise(benchmark::State& state, const std::string& set)
{
    Editor ed(scriptOf(set));
    std::vector<double> wall, cpu;
    for (auto _ : state) {
        state.PauseTiming();
        ed.edit.EDIT()->view().keyPress(U'x');
        state.ResumeTiming();
        const double w0 = wallMs(), c0 = threadCpuMs();
        ed.edit.synchronise();
        wall.push_back(wallMs() - w0);
        cpu.push_back(threadCpuMs() - c0);
    }
    report(state, wall, cpu, ed.lines);
}

// Opening the viewer: build the window, fill it from the structure, show and paint it once.
void viewerOpen(benchmark::State& state, const std::string& set)
{
    const auto errors = vorn::CoreList::create();
    const auto structure = vorn::VORN()->PARSE(scriptOf(set), errors);
    if (errors->COUNT() != 0) {
        state.SkipWithError("script has errors");
        return;
    }
    std::vector<double> wall, cpu;
    for (auto _ : state) {
        const double w0 = wallMs(), c0 = threadCpuMs();
        auto* dialog = new vorn::frm_DialogVornViewer;
        dialog->setStructure(structure);
        dialog->show();
        QApplication::processEvents();
        wall.push_back(wallMs() - w0);
        cpu.push_back(threadCpuMs() - c0);
        state.PauseTiming();
        if (!dialog->isLoaded())
            state.SkipWithError("the dialog did not load");
        delete dialog;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    report(state, wall, cpu, 0);
    state.counters.erase("lines");
    state.counters["elements"] = double(structure->ELEMENTS()->COUNT(true));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    if (bench::exists(bench::dataPath("l100k", "vorn"))) {
        benchmark::RegisterBenchmark("editor/keystroke/l100k", [](benchmark::State& s) { keystroke(s, "l100k"); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(60);
        benchmark::RegisterBenchmark("editor/synchronise/l100k", [](benchmark::State& s) { synchronise(s, "l100k"); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(60);
    }
    for (const char* set : { "e10k", "e100k" })
        if (bench::exists(bench::dataPath(set, "vorn"))) {
            const std::string s = set;
            benchmark::RegisterBenchmark(("viewer/open/" + s).c_str(), [s](benchmark::State& st) { viewerOpen(st, s); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(s == "e10k" ? 5 : 2);
        }
    return bench::runRegisteredBenchmarks(argc, argv);
}
