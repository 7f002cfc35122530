// Times the steps of an import from the window that run on the window's thread (the settings,
// then the import step taking the new fields and the records into the document and the open
// tables following), next to the steps a worker does (parsing, building the records). Usage:
// bench_windowimport FILE.csv
#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "bench/window/offscreenapplication.h"
#include "commands/importstep.h"
#include "core/document.h"
#include "exchange/importsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace quillory;

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    OffscreenApplication offscreen(argc, argv);
    Application& app = offscreen.app();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_windowimport FILE.csv\n");
        return 2;
    }
    DocumentWindow* w = app.newDocument();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    ImportSession session;
    const QString path = QString::fromLocal8Bit(argv[1]);
    session.load(path, ImportSession::FileFormat::Automatic, TextEncoding::Automatic);
    std::printf("worker_parse_ms %lld\n", static_cast<long long>(timer.restart()));
    ImportStep step(w->undoStack(), QFileInfo(path).fileName());
    session.setTarget(&step);
    session.prepareMapping();
    session.mapAllToNewFields();
    std::printf("window_settings_ms %lld\n", static_cast<long long>(timer.restart()));
    session.prepareRun();
    QCoreApplication::processEvents();
    std::printf("window_fields_ms %lld\n", static_cast<long long>(timer.restart()));
    ImportBatch records = session.buildRecords();
    std::printf("worker_records_ms %lld\n", static_cast<long long>(timer.restart()));
    // The window thread's own CPU time too: on a busy machine the wall clock also counts the
    // time other processes held the cores.
    double cpu = threadCpuMs();
    session.finishRun(std::move(records));
    std::printf("window_take_records_ms %lld cpu %.1f\n", static_cast<long long>(timer.restart()),
                threadCpuMs() - cpu);
    cpu = threadCpuMs();
    QCoreApplication::processEvents();
    w->repaint();
    std::printf("window_redraw_ms %lld cpu %.1f records %zu\n",
                static_cast<long long>(timer.restart()), threadCpuMs() - cpu,
                w->document().dataArray().size());
    w->document().markSaved();
    return 0;
}
