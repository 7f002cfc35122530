#include "app/dialogs/importflow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importsettingsdialog.h"
#include "commands/importstep.h"
#include "core/documentmemory.h"
#include "exchange/importfilecheck.h"
#include "exchange/importheaderguess.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"
#include "exchange/workbookreader.h"

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

// What the document memory keeps of an import, under its topic. The format and encoding are
// kept as their codes (those of the menus' enums, to which codes are only ever appended).
const QString kMemoryTopic = QStringLiteral("import");
const QString kFormatKey = QStringLiteral("format");
const QString kEncodingKey = QStringLiteral("encoding");
const QString kHeaderKey = QStringLiteral("firstRowHoldsNames");

// The code remembered under key when it is one of last's (a memory written by a later release
// may hold others); none otherwise.
std::optional<int> rememberedCode(const QVariantMap& last, const QString& key, int lastCode)
{
    bool ok = false;
    const int code = last.value(key).toInt(&ok);
    if (!ok || code < 0 || code > lastCode)
        return std::nullopt;
    return code;
}

// Reads the file at path as format and encoding say, asks for the settings and imports.
std::optional<ImportOutcome> importFile(QWidget* window, UndoStack& stack, DocumentMemory* memory,
                                        const QString& documentPath, const QString& path,
                                        ImportSession::FileFormat format, TextEncoding encoding);

} // namespace

std::optional<ImportOutcome> importIntoDocument(QWidget* window, UndoStack& stack,
                                                DocumentMemory* memory, const QString& documentPath)
{
    const QVariantMap last = memory ? memory->recall(documentPath, kMemoryTopic) : QVariantMap();
    ImportFileDialog chooser(window);
    if (const auto format =
            rememberedCode(last, kFormatKey, int(ImportSession::FileFormat::Semicolon)))
        chooser.setFileFormat(ImportSession::FileFormat(*format));
    if (const auto encoding = rememberedCode(last, kEncodingKey, int(TextEncoding::Iso885915)))
        chooser.setEncoding(TextEncoding(*encoding));
    chooser.setDirectory(dialogStartFolder(window));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = chooser.selectedFiles().constFirst();
    noteDialogFolder(path);
    return importFile(window, stack, memory, documentPath, path, chooser.fileFormat(),
                      chooser.encoding());
}

std::optional<ImportOutcome> importFileIntoDocument(QWidget* window, UndoStack& stack,
                                                    const QString& path, DocumentMemory* memory,
                                                    const QString& documentPath)
{
    // Read as the open dialog would have offered it: as the document's last import was.
    const QVariantMap last = memory ? memory->recall(documentPath, kMemoryTopic) : QVariantMap();
    const auto format = rememberedCode(last, kFormatKey, int(ImportSession::FileFormat::Semicolon));
    const auto encoding = rememberedCode(last, kEncodingKey, int(TextEncoding::Iso885915));
    return importFile(window, stack, memory, documentPath, path,
                      format ? ImportSession::FileFormat(*format)
                             : ImportSession::FileFormat::Automatic,
                      encoding ? TextEncoding(*encoding) : TextEncoding::Automatic);
}

namespace {

std::optional<ImportOutcome> importFile(QWidget* window, UndoStack& stack, DocumentMemory* memory,
                                        const QString& documentPath, const QString& path,
                                        ImportSession::FileFormat format, TextEncoding encoding)
{
    const QVariantMap last = memory ? memory->recall(documentPath, kMemoryTopic) : QVariantMap();
    ImportSession session;
    const QString name = QFileInfo(path).fileName();
    const QString reading = QApplication::translate("ImportFlow", "Reading “%1”…").arg(name);
    TextEncoding decodedAs = encoding;
    std::optional<QString> refused;
    // A workbook (told by its content) gives the rows of its first sheet; another sheet can be
    // chosen in the settings.
    std::optional<WorkbookReader> workbook;
    inBackground(window, session, reading, [&] {
        if (WorkbookReader::looksLikeWorkbookFile(path)) {
            Result<WorkbookReader> opened = WorkbookReader::openFile(path, name);
            Result<ImportRows> rows =
                opened ? opened.value().readSheet(0) : Result<ImportRows>(opened.failure());
            if (!rows)
                refused = rows.message();
            else
                session.loadRows(std::move(rows.value()));
            if (opened)
                workbook = std::move(opened.value());
            return;
        }
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
    // The first row may name the columns: the mapping then starts from those names.
    const ImportHeaderGuess guess(session.importRows(), session.destinationFields());
    const std::optional<bool> lastHeader =
        last.contains(kHeaderKey) ? std::optional<bool>(last.value(kHeaderKey).toBool())
                                  : std::nullopt;
    guess.applyTo(session, ImportHeaderGuess::decide(guess.evidence(), lastHeader));

    TextEncoding chosenEncoding = encoding;
    ImportSettingsDialog settings(session, window);
    if (workbook)
        settings.showSheets(workbook->sheetNames(), 0, [&](int index) {
            std::optional<QString> problem;
            inBackground(window, session, reading, [&] {
                Result<ImportRows> rows = workbook->readSheet(index);
                if (rows)
                    session.loadRows(std::move(rows.value()));
                else
                    problem = rows.message();
            });
            if (problem) {
                Alert alert;
                alert.messageText =
                    QApplication::translate("ImportFlow", "The sheet cannot be imported.");
                alert.informativeText = *problem + u'.';
                alert.buttons = {QApplication::translate("ImportFlow", "OK")};
                alert.roles = {Alert::Ok};
                showAlert(window, alert);
                return false;
            }
            // Another sheet has other columns: its mapping starts afresh from its first row.
            session.prepareMapping();
            const ImportHeaderGuess sheetGuess(session.importRows(), session.destinationFields());
            sheetGuess.applyTo(session,
                               ImportHeaderGuess::decide(sheetGuess.evidence(), lastHeader));
            return true;
        });
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
                                chosenEncoding = TextEncoding::Windows1252;
                            });
    }
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;
    if (memory)
        memory->remember(documentPath, kMemoryTopic,
                         {{kFormatKey, int(format)},
                          {kEncodingKey, int(chosenEncoding)},
                          {kHeaderKey, session.doNotImportFirstRecord() ||
                                           session.useHeaderNamesForNewFields()}});

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

} // namespace

} // namespace quillory
