// Lines appended to the main window's status box (ShowStatus with Append), as
// a long check that reports every finding does: in a box that already holds
// range(0) characters, with the headless backend (the ui layer alone) and
// with the Qt backend offscreen (the widget too). For comparison, the same
// line added by setting the box's whole text.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "platform/qt/QtApp.h"
#include "platform/settings/settings.h"
#include "platform/ui/backend.h"

namespace {

namespace fs = std::filesystem;

const std::string kLine = "Section 1234 (OV1234) overlaps section 1235 (OV1235) at node 10002";

// The box filled to about `chars` characters of such lines.
std::string Filled(size_t chars) {
    std::string text;
    while (text.size() + kLine.size() + 2 <= chars) text += kLine + "\r\n";
    return text;
}

struct Window {
    fs::path dir;
    explicit Window(bool qt) {
        std::string tmpl = (fs::temp_directory_path() / "tw-statusbench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        settings::SetStoreFolder((dir / "store").string());
        ::setenv("temp", dir.c_str(), 1);
        MainForm::SetEndProcess([] {});
        if (qt) {
            tw_qt::EnsureApplication();
            tw_qt::InstallBackend();
        } else {
            ui::SetBackend(std::make_shared<ui::HeadlessBackend>());
        }
        TheMainForm().Show();
    }
    ~Window() {
        TheMainForm().Unload();
        ui::SetBackend(nullptr);
        MainForm::SetEndProcess(nullptr);
        settings::SetStoreFolder("");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

// Appends lines while the box stays between range(0) and range(0) + 8 KB.
template <class Add>
void Run(benchmark::State& state, bool qt, Add add) {
    Window w(qt);
    MainForm& f = TheMainForm();
    const std::string start = Filled(static_cast<size_t>(state.range(0)));
    f.Status.SetText(start);
    for (auto _ : state) {
        add(f);
        if (f.Status.Text().size() > start.size() + 8192) {
            state.PauseTiming();
            f.Status.SetText(start);
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (kLine.size() + 2)));
}

void Append(MainForm& f) {
    f.ShowStatus(kLine, true);
}

void SetWhole(MainForm& f) {
    f.Status.SetText(f.Status.Text() + "\r\n" + kLine);
    f.Status.SetSelStart(static_cast<int>(f.Status.Text().size()));
}

void BM_StatusAppend_Headless(benchmark::State& state) {
    Run(state, false, Append);
}
void BM_StatusAppend_Qt(benchmark::State& state) {
    Run(state, true, Append);
}
void BM_StatusSetWholeText_Headless(benchmark::State& state) {
    Run(state, false, SetWhole);
}
void BM_StatusSetWholeText_Qt(benchmark::State& state) {
    Run(state, true, SetWhole);
}

BENCHMARK(BM_StatusAppend_Headless)->Arg(0)->Arg(30000)->Arg(50000);
BENCHMARK(BM_StatusAppend_Qt)->Arg(0)->Arg(30000)->Arg(50000);
BENCHMARK(BM_StatusSetWholeText_Headless)->Arg(0)->Arg(30000)->Arg(50000);
BENCHMARK(BM_StatusSetWholeText_Qt)->Arg(0)->Arg(30000)->Arg(50000);

}  // namespace
BENCHMARK_MAIN();
