#include "app/dialogs/importflow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/dialogs/importsettingsdialog.h"
#include "app/dialogs/importtextmenus.h"
#include "commands/importstep.h"
#include "core/documentmemory.h"
#include "exchange/importfilecheck.h"
#include "exchange/importheaderguess.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"
#include "exchange/workbookreader.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
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
    // The platform's own dialog: the format and the encoding are chosen in the settings, where
    // the file's rows show what each choice gives.
    const QString path = QFileDialog::getOpenFileName(
        window, QApplication::translate("ImportFlow", "Import"), dialogStartFolder(window),
        QApplication::translate("ImportFlow",
                                "Text files and workbooks (*.txt *.TXT *.text *.TEXT *.csv *.CSV "
                                "*.tsv *.TSV *.xlsx *.XLSX *.ods *.ODS)") +
            QStringLiteral(";;") + QApplication::translate("ImportFlow", "All files (*)"));
    if (path.isEmpty())
        return std::nullopt;
    noteDialogFolder(path);
    return importFileIntoDocument(window, stack, path, memory, documentPath);
}

std::optional<ImportOutcome> importFileIntoDocument(QWidget* window, UndoStack& stack,
                                                    const QString& path, DocumentMemory* memory,
                                                    const QString& documentPath)
{
    // Read first as the document's last import was.
    const QVariantMap last = memory ? memory->recall(documentPath, kMemoryTopic) : QVariantMap();
    const auto format = rememberedCode(last, kFormatKey, int(ImportSession::FileFormat::Semicolon));
    const auto encoding = rememberedCode(last, kEncodingKey, int(TextEncoding::Iso885915));
    return importFile(window, stack, memory, documentPath, path,
                      format ? ImportSession::FileFormat(*format)
                             : ImportSession::FileFormat::Automatic,
                      encoding ? TextEncoding(*encoding) : TextEncoding::Automatic);
}

namespace {

// Tells why a file, or a sheet of it, cannot be read.
void showProblem(QWidget* window, const QString& message, const QString& problem)
{
    Alert alert;
    alert.messageText = message;
    alert.informativeText = problem + u'.';
    alert.buttons = {QApplication::translate("ImportFlow", "OK")};
    alert.roles = {Alert::Ok};
    showAlert(window, alert);
}

// Reads the delimited text file at path into session (on any thread); why it cannot, if it
// cannot. decodedAs tells the encoding an automatic reading chose.
std::optional<QString> readText(ImportSession& session, const QString& path, const QString& name,
                                ImportSession::FileFormat format, TextEncoding encoding,
                                TextEncoding* decodedAs)
{
    *decodedAs = encoding;
    if (std::optional<QString> problem = ImportFileCheck::problemWithFile(path, encoding, name))
        return problem;
    session.loadText(TextFileDecoder::autoReadFromFile(path, encoding, decodedAs), format);
    return std::nullopt;
}

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
        refused = readText(session, path, name, format, encoding, &decodedAs);
    });
    if (refused) {
        showProblem(window, QApplication::translate("ImportFlow", "Nothing was imported."),
                    *refused);
        return std::nullopt;
    }
    // The step gathers the new fields and the records, and changes the document only once the
    // records are in: one undoable step, and nothing at all when the import is given up.
    ImportStep step(stack, name);
    session.setTarget(&step);
    // The first row may name the columns: the mapping then starts from those names. Fields
    // added or renamed since the last import show up as destinations.
    const std::optional<bool> lastHeader =
        last.contains(kHeaderKey) ? std::optional<bool>(last.value(kHeaderKey).toBool())
                                  : std::nullopt;
    const auto mapAfresh = [&] {
        session.prepareMapping();
        const ImportHeaderGuess guess(session.importRows(), session.destinationFields());
        guess.applyTo(session, ImportHeaderGuess::decide(guess.evidence(), lastHeader));
    };
    mapAfresh();

    ImportSettingsDialog settings(session, window);
    if (workbook) {
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
                showProblem(window,
                            QApplication::translate("ImportFlow", "The sheet cannot be imported."),
                            *problem);
                return false;
            }
            // Another sheet has other columns: its mapping starts afresh from its first row.
            mapAfresh();
            return true;
        });
    }
    // Reads the text file again as chosen in the settings; whether it could.
    std::function<void()> offerWindows1252;
    const auto readAgain = [&](ImportSession::FileFormat newFormat, TextEncoding newEncoding) {
        const ImportSession::Choices chosen = session.choices();
        TextEncoding decoded = newEncoding;
        std::optional<QString> problem;
        inBackground(window, session, reading, [&] {
            problem = readText(session, path, name, newFormat, newEncoding, &decoded);
        });
        if (problem) {
            // Refused before it was read: the rows are still those read before.
            showProblem(window,
                        QApplication::translate("ImportFlow", "The file cannot be read that way."),
                        *problem);
            return false;
        }
        // The same columns in another encoding keep what was chosen for them; another format
        // cuts other columns, whose mapping starts afresh.
        if (newFormat == format) {
            session.prepareMapping();
            session.restoreChoices(chosen);
        } else {
            mapAfresh();
        }
        format = newFormat;
        encoding = newEncoding;
        if (encoding == TextEncoding::Automatic && decoded == TextEncoding::MacOSRoman)
            offerWindows1252();
        return true;
    };
    // Text that is not UTF-8 is read as Mac OS Roman, though it most often comes from Windows:
    // the notice offers that reading.
    offerWindows1252 = [&] {
        const QString windows1252 = ImportTextMenus::encodingTitle(TextEncoding::Windows1252);
        settings.showNotice(TextFileDecoder::macRomanFallbackNotice(name, windows1252),
                            QApplication::translate("ImportFlow", "Read as %1").arg(windows1252),
                            [&] {
                                if (readAgain(format, TextEncoding::Windows1252))
                                    settings.showEncoding(TextEncoding::Windows1252);
                            });
    };
    if (!workbook) {
        settings.showTextChoices(format, encoding, readAgain);
        if (encoding == TextEncoding::Automatic && decodedAs == TextEncoding::MacOSRoman)
            offerWindows1252();
    }
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;
    if (memory)
        memory->remember(documentPath, kMemoryTopic,
                         {{kFormatKey, int(format)},
                          {kEncodingKey, int(encoding)},
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
