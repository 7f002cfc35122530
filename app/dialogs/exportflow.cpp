#include "app/dialogs/exportflow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/exportsettingsdialog.h"
#include "core/document.h"
#include "exchange/exportfieldpicker.h"
#include "exchange/exportwriter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace quillory {

std::optional<ExportOutcome> exportDocument(QWidget* window, const Document& doc,
                                            const QString& displayName)
{
    ExportWriter writer = ExportWriter::forDocument(doc, displayName);
    ExportSettingsDialog settings(writer, ExportFieldPicker::forDocument(doc), window);
    if (settings.exec() != QDialog::Accepted)
        return std::nullopt;

    const QString type = writer.fileType();
    QFileDialog saver(window, QApplication::translate("ExportFlow", "Export"));
    // The same dialog on every platform, so that the format's extension is always offered.
    saver.setOption(QFileDialog::DontUseNativeDialog);
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
