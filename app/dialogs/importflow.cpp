#include "app/dialogs/importflow.h"

#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importsettingsdialog.h"
#include "core/document.h"
#include "exchange/importsession.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

namespace quillory {

namespace {

// Reads and parses the file on a worker thread while a progress dialog keeps the window alive.
// The session has no target meanwhile, so the worker never touches the document.
void parseInBackground(QWidget* window, ImportSession& session, const QString& path, int format,
                       int encoding)
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> finished{false};
    session.setProgressCallback([&](qint64 d, qint64 t) {
        total.store(t);
        done.store(d);
    });

    QProgressDialog progress(
        QApplication::translate("ImportFlow", "Reading “%1”…").arg(QFileInfo(path).fileName()),
        QString(), 0, 0, window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);

    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished.load())
            return loop.quit();
        const qint64 t = total.load();
        if (t > 0) {
            // The dialog counts in int; per mille is plenty for a bar.
            progress.setMaximum(1000);
            progress.setValue(int(done.load() * 1000 / t));
        }
    });

    std::thread worker([&] {
        session.load(path, format, encoding);
        finished.store(true);
    });
    poll.start();
    loop.exec();
    worker.join();
    session.setProgressCallback({});
}

} // namespace

void importIntoDocument(QWidget* window, Document& doc)
{
    doc.switchMainTabToDatabase();

    ImportFileDialog chooser(window);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString path = chooser.selectedFiles().constFirst();

    ImportSession session;
    parseInBackground(window, session, path, chooser.fileFormat(), chooser.encoding());
    session.setTarget(&doc);
    // Fields added or renamed since the last import show up as destinations.
    session.openSettings();

    ImportSettingsDialog settings(session, window);
    if (settings.exec() != QDialog::Accepted)
        return;

    // The document changes in one go on its own thread: one change, no undo.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session.run();
    QApplication::restoreOverrideCursor();
}

} // namespace quillory
