// Renders every tab of a document window into PNG files, for the README, then the
// run tab after a run into a scratch folder (run-summary.png). Usage: quillory-screenshots DOC
// OUTPUT_DIR
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/shell/application.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/runtab.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace quillory;

namespace {

void chooseRow(QTableView* table, int row, int column)
{
    if (row < table->model()->rowCount())
        table->setCurrentIndex(table->model()->index(row, column));
}

} // namespace

int main(int argc, char** argv)
{
    // Offscreen unless told otherwise: scripts/screenshots.sh runs it on Xvfb when it can.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state;
    // Nothing remembered from earlier windows, and nothing left in the user's state.
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QApplication qapp(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillory-screenshots DOC OUTPUT_DIR\n");
        return 2;
    }
    MemoryUserDefaults defaults;
    Application app(&defaults, RecoveryStore(state.path()));
    DocumentWindow* w = app.openDocument(QString::fromLocal8Bit(argv[1]));
    if (!w)
        return 1;
    w->resize(1000, 640);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (const QString& id : TabIds::kMainTabs) {
        w->state().showMainTab(id);
        if (id == TabIds::kMerge)
            chooseRow(w->mergeTab()->itemTable(), 1, 2);
        if (id == TabIds::kPreview) {
            chooseRow(w->previewTab()->itemTable(), 4, 2);
            chooseRow(w->previewTab()->recordTable(), 0, 2);
        }
        QCoreApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("tab-%1.png").arg(id));
        if (!w->grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }

    // A real run, so that the run tab shows its log, its summary bar and the status bar's result.
    QTemporaryDir destination;
    w->document().setDestination(
        true, LocationBookmark::make(destination.path(), LocationBookmark::Access::ReadWrite));
    w->state().showMainTab(TabIds::kRun);
    QEventLoop ended;
    QObject::connect(w->runTab(), &RunTab::runEnded, &ended, &QEventLoop::quit);
    QObject::connect(w->runTab(), &RunTab::runFailed, &ended, &QEventLoop::quit);
    QTimer::singleShot(60000, &ended, &QEventLoop::quit);
    w->runTab()->run();
    ended.exec();
    QCoreApplication::processEvents();
    const QString file = out.filePath(QStringLiteral("run-summary.png"));
    if (!w->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    w->document().markSaved();
    return 0;
}
