// Times what a person waits for in the document window on a large document, offscreen: the
// window ready to use after opening, sorting the record table by a column, each keystroke of a
// search, checking every record (the status bar counts them), and opening again with and
// without a remembered layout. Prints one line per step (milliseconds) and the peak memory.
#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "bench/window/offscreenapplication.h"
#include "core/document.h"
#include "core/userdefaults.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace quillory;

namespace {

// Lets the window lay out and paint what is visible, as the event loop would.
void settle(QWidget* w)
{
    QCoreApplication::processEvents();
    w->repaint();
    QCoreApplication::processEvents();
}

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    OffscreenApplication offscreen(argc, argv);
    Application& app = offscreen.app();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_window DOC.quillory\n");
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    DocumentWindow* w = app.openDocument(QString::fromLocal8Bit(argv[1]));
    if (!w)
        return 1;
    settle(w);
    std::printf("open_ms %lld\n", static_cast<long long>(timer.elapsed()));

    QTableView* table = w->databaseTab()->recordTable();
    for (int round = 0; round < 2; ++round) {
        timer.restart();
        table->sortByColumn(2, round == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
        settle(w);
        std::printf("sort_ms %lld\n", static_cast<long long>(timer.elapsed()));
    }

    QLineEdit* search = w->databaseTab()->searchField();
    for (const char* key : {"p", "e", "r", "s", "o", "n", "1", "2"}) {
        timer.restart();
        QTest::keyClicks(search, QString::fromLatin1(key));
        settle(w);
        std::printf("keystroke_ms %lld rows %d\n", static_cast<long long>(timer.elapsed()),
                    table->model()->rowCount());
    }
    std::printf("peak_kb %ld\n", peakKilobytes());

    // The status bar counts the checked records after each change of a check.
    timer.restart();
    w->actions().checkAll->trigger();
    settle(w);
    std::printf("check_all_ms %lld\n", static_cast<long long>(timer.elapsed()));

    // Opened again, as warm as each other: once with nothing remembered (the window went
    // without closing), once with the layout it remembered as it closed.
    const QString path = w->filePath();
    w->document().markSaved();
    delete w;
    timer.restart();
    w = app.openDocument(path);
    settle(w);
    std::printf("reopen_ms %lld\n", static_cast<long long>(timer.elapsed()));
    w->databaseTab()->recordTable()->setColumnWidth(2, 180);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    timer.restart();
    w = app.openDocument(path);
    settle(w);
    std::printf("reopen_remembered_ms %lld\n", static_cast<long long>(timer.elapsed()));
    w->document().markSaved();
    return 0;
}
