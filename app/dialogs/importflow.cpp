#include "app/dialogs/importflow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importsettingsdialog.h"
#include "commands/importstep.h"
#include "exchange/importfilecheck.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

namespace quillory {

namespace {

// Runs work on a worker thread while a progress dialog keeps the window alive; the work
// touches only the session, never the document.
void inBackground(QWidget* window, ImportSession& session, const QString& label,
                  const std::function<void()>& work)
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> finished{false};
    session.setProgressCallback([&](qint64 d, qint64 t) {
        total.store(t);
        done.store(d);
    });

    QProgressDialog progress(label, QString(), 0, 0, window);
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
        work();
        finished.store(true);
    });
    poll.start();
    loop.exec();
    worker.join();
    session.setProgressCallback({});
}

} // namespace

std::optional<ImportOutcome> importIntoDocument(QWidget* window, UndoStack& stack)
{
    ImportFileDialog chooser(window);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = chooser.selectedFiles().constFirst();

    ImportSession session;
    const ImportSession::FileFormat format = chooser.fileFormat();
    const TextEncoding encoding = chooser.encoding();
    const QString name = QFileInfo(path).fileName();
    const QString reading = QApplication::translate("ImportFlow", "Reading “%1”…").arg(name);
    TextEncoding decodedAs = encoding;
    std::optional<QString> refused;
    inBackground(window, session, reading, [&] {
        refused = ImportFileCheck::problemWithFile(path, encoding, name);
        if (!refused)
            session.loadText(TextFileDecoder::autoReadFromFile(path, encoding, &decodedAs), format);
    });
    if (refused) {
        Alert alert;
        alert.messageText = QApplication::translate("ImportFlow", "Nothing was imported.");
        alert.informativeText = *refused + u'.';
        alert.buttons = {QApplication::translate("ImportFlow", "OK")};
        alert.roles = {Alert::Ok};
        showAlert(window, alert);
        return std::nullopt;
    }
    // The step gathers the new fields and the records, and changes the document only once the
    // records are in: one undoable step, and nothing at all when the import is given up.
    ImportStep step(stack, name);
    session.setTarget(&step);
    // Fields added or renamed since the last import show up as destinations.
    session.prepareMapping();

    ImportSettingsDialog settings(session, window);
    // Text that is not UTF-8 is read as Mac OS Roman, though it most often comes from Windows.
    if (encoding == TextEncoding::Automatic && decodedAs == TextEncoding::MacOSRoman) {
        const QString windows1252 = ImportFileDialog::encodingTitle(TextEncoding::Windows1252);
        settings.showNotice(TextFileDecoder::macRomanFallbackNotice(name, windows1252),
                            QApplication::translate("ImportFlow", "Read as %1").arg(windows1252),
                            [&] {
                                const ImportSession::Choices chosen = session.choices();
                                inBackground(window, session, reading, [&] {
                                    session.load(path, format, TextEncoding::Windows1252);
                                });
                                session.prepareMapping();
                                session.restoreChoices(chosen);
                            });
    }
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;

    session.prepareRun();
    ImportBatch records;
    inBackground(window, session,
                 QApplication::translate("ImportFlow", "Importing “%1”…").arg(name),
                 [&] { records = session.buildRecords(); });
    session.finishRun(std::move(records));
    if (step.fieldsAdded() == 0 && step.recordsAdded() == 0)
        return std::nullopt;
    return ImportOutcome{name, step.fieldsAdded(), step.recordsAdded()};
}

} // namespace quillory
