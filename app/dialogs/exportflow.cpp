#include "app/dialogs/exportflow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/exportsettingsdialog.h"
#include "core/document.h"
#include "core/documentmemory.h"
#include "exchange/exportfieldpicker.h"
#include "exchange/exportwriter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <array>

namespace quillory {

namespace {

// What the document memory keeps of an export, under its topic: the format by its name, the
// fields by their inner keys and names, the first-row choice, and the custom layout's texts.
const QString kMemoryTopic = QStringLiteral("export");
const QString kFormatKey = QStringLiteral("format");
const QString kFieldsKey = QStringLiteral("fields");
const QString kFieldNamesKey = QStringLiteral("fieldNames");
const QString kHeaderKey = QStringLiteral("header");
const QString kLayoutKey = QStringLiteral("layout");
const QString kLastEndKey = QStringLiteral("endOfRecordInLast");

const std::array<QString ExportWriter::*, 7> kLayoutTexts{
    &ExportWriter::start_of_file,  &ExportWriter::end_of_file,    &ExportWriter::start_of_record,
    &ExportWriter::end_of_record,  &ExportWriter::field_open_tag, &ExportWriter::field_close_tag,
    &ExportWriter::field_separator};

QVariantMap choicesOf(const ExportWriter& writer)
{
    QStringList fields, names, layout;
    for (const FieldKey& field : writer.fields()) {
        fields << field.innerKey;
        names << field.publicKey;
    }
    for (QString ExportWriter::*text : kLayoutTexts)
        layout << writer.*text;
    return {{kFormatKey, ExportLayout::nameOfFormat(writer.fileFormatToSave)},
            {kFieldsKey, fields},
            {kFieldNamesKey, names},
            {kHeaderKey, writer.useFieldNamesAsFirstRow},
            {kLayoutKey, layout},
            {kLastEndKey, writer.use_end_of_record_in_last_record.value_or(QString())}};
}

// Starts from what was chosen last. A field is the one chosen when both its inner key and its
// name are the same: a field deleted since is passed over, and so is one added later under a
// freed inner key, which holds other values. Fields added since start among those left out,
// as every field does in a first export.
void recallChoices(const QVariantMap& last, ExportWriter& writer, ExportFieldPicker& picker)
{
    if (last.isEmpty())
        return;
    if (const auto format = ExportLayout::formatNamed(last.value(kFormatKey).toString()))
        writer.fileFormatToSave = *format;
    writer.useFieldNamesAsFirstRow = last.value(kHeaderKey).toBool();
    const QStringList layout = last.value(kLayoutKey).toStringList();
    if (writer.fileFormatToSave == ExportFormat::Custom &&
        layout.size() == qsizetype(kLayoutTexts.size())) {
        for (std::size_t i = 0; i < kLayoutTexts.size(); ++i)
            writer.*kLayoutTexts[i] = layout[qsizetype(i)];
        writer.use_end_of_record_in_last_record = last.value(kLastEndKey).toString();
    }
    const QStringList fields = last.value(kFieldsKey).toStringList();
    const QStringList names = last.value(kFieldNamesKey).toStringList();
    for (qsizetype f = 0; f < fields.size() && f < names.size(); ++f) {
        const std::vector<FieldKey>& left = picker.leftKeyArray();
        for (std::size_t i = 0; i < left.size(); ++i)
            if (left[i].innerKey == fields[f] && left[i].publicKey == names[f]) {
                picker.setLeftSelection({int(i)});
                picker.addSelectedToRight();
                break;
            }
    }
    picker.setRightSelection({});
}

} // namespace

std::optional<ExportOutcome> exportDocument(QWidget* window, const Document& doc,
                                            const QString& displayName, DocumentMemory* memory,
                                            const QString& documentPath)
{
    ExportWriter writer = ExportWriter::forDocument(doc, displayName);
    ExportFieldPicker picker = ExportFieldPicker::forDocument(doc);
    if (memory)
        recallChoices(memory->recall(documentPath, kMemoryTopic), writer, picker);
    ExportSettingsDialog settings(writer, std::move(picker), window);
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;
    // Kept once confirmed, so that a save dialog given up does not lose them.
    if (memory)
        memory->remember(documentPath, kMemoryTopic, choicesOf(writer));

    const QString type = writer.fileType();
    QFileDialog saver(window, QApplication::translate("ExportFlow", "Export"));
    saver.setAcceptMode(QFileDialog::AcceptSave);
    saver.setFileMode(QFileDialog::AnyFile);
    saver.setDefaultSuffix(type);
    saver.setNameFilters(
        {QApplication::translate("ExportFlow", "%1 files (*.%2)").arg(type.toUpper(), type),
         QApplication::translate("ExportFlow", "All files (*)")});
    saver.selectFile(writer.suggestedFileName + u'.' + type);
    if (saver.exec() != QDialog::Accepted || saver.selectedFiles().isEmpty())
        return std::nullopt;

    const QString path = saver.selectedFiles().constFirst();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<> written = writer.writeToFile(path);
    QApplication::restoreOverrideCursor();
    if (written)
        return ExportOutcome{path, qsizetype(writer.dataArray().size())};
    // A failure that carries the system's own words shows them; otherwise the reason.
    if (written.failure().alert)
        (void)showAlert(window, *written.failure().alert);
    else
        QMessageBox::warning(window, QApplication::translate("ExportFlow", "Export"),
                             QApplication::translate("ExportFlow", "The export was not written.") +
                                 u'\n' + written.message());
    return std::nullopt;
}

} // namespace quillory
