// Times a run started from the document window, offscreen: the window opens the document, takes
// the destination folder and Run is pressed; the clock stops when the run tab is ready for the
// next run, the whole log in the window's log and on screen. Prints the milliseconds of each step.
//   bench_windowrun DOC.quillory DESTINATION
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/shell/application.h"
#include "app/widgets/runtab.h"
#include "bench/window/offscreenapplication.h"
#include "commands/runcommands.h"
#include "core/document.h"
#include "core/tabids.h"
#include "core/userdefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

using namespace quillory;

int main(int argc, char** argv)
{
    OffscreenApplication offscreen(argc, argv);
    Application& app = offscreen.app();
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_windowrun DOC.quillory DESTINATION\n");
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    DocumentWindow* w = app.openDocument(QString::fromLocal8Bit(argv[1]));
    if (!w)
        return 1;
    Document& doc = w->document();
    if (!commands::chooseDestination(w->undoStack(), QString::fromLocal8Bit(argv[2])))
        return 1;
    w->state().showMainTab(TabIds::kRun);
    QCoreApplication::processEvents();
    std::printf("open_ms %lld\n", static_cast<long long>(timer.elapsed()));

    QPushButton* run = nullptr;
    for (QPushButton* b : w->runTab()->findChildren<QPushButton*>())
        if (b->text() == QLatin1String("Run"))
            run = b;
    if (!run)
        return 1;
    // The event loop idles as an application's does until the run tab says the run ended.
    QEventLoop loop;
    QObject::connect(w->runTab(), &RunTab::runningChanged, &loop, [&loop](bool running) {
        if (!running)
            loop.quit();
    });
    timer.restart();
    run->click();
    if (!run->isEnabled())
        loop.exec();
    std::printf("run_ms %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("log_chars %lld\n", static_cast<long long>(w->state().runLog().text().size()));
    doc.markSaved();
    return 0;
}
