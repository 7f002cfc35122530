// Times the steps of an import from the window that run on the window's thread (making the
// new fields, then the document taking the records and the open tables following), next to
// the steps a worker does (parsing, building the records). Usage: bench_windowimport FILE.csv
#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "core/document.h"
#include "exchange/importsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace quillory;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state;
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_windowimport FILE.csv\n");
        return 2;
    }
    MemoryUserDefaults defaults;
    Application app(&defaults, RecoveryStore(state.path()));
    DocumentWindow* w = app.newDocument();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    ImportSession session;
    session.setUseSettingsPanel(true);
    session.load(QString::fromLocal8Bit(argv[1]), ImportSession::AutomaticFormat, 0);
    std::printf("worker_parse_ms %lld\n", static_cast<long long>(timer.restart()));
    session.setTarget(&w->document());
    session.openSettings();
    session.mapAllToNewFields();
    std::printf("window_settings_ms %lld\n", static_cast<long long>(timer.restart()));
    session.prepareRun();
    QCoreApplication::processEvents();
    std::printf("window_fields_ms %lld\n", static_cast<long long>(timer.restart()));
    std::vector<Record> records = session.buildRecords();
    std::printf("worker_records_ms %lld\n", static_cast<long long>(timer.restart()));
    session.finishRun(std::move(records));
    QCoreApplication::processEvents();
    w->repaint();
    std::printf("window_take_records_ms %lld records %zu\n",
                static_cast<long long>(timer.restart()), w->document().dataArray().size());
    w->document().markSaved();
    return 0;
}
