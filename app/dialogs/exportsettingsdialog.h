#pragma once

#include "exchange/exportfieldpicker.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace quillory {

class ExportWriter;

// The export settings: which fields are written and in what order, the format, and the
// custom layout texts that the format's presets fill. Confirming hands the fields to the
// writer.
class ExportSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    ExportSettingsDialog(ExportWriter& writer, ExportFieldPicker picker, QWidget* parent = nullptr);

    void accept() override;

private:
    QWidget* buildLists();
    QWidget* buildLayoutTexts();
    void runPickerCommand(void (ExportFieldPicker::*command)());
    void formatChosen(int index);
    // Shows the picker's lists and selections, and the writer's layout texts, again.
    void refreshLists();
    void refreshLayoutTexts();

    ExportWriter& m_writer;
    ExportFieldPicker m_picker;
    QListWidget* m_left;
    QListWidget* m_right;
    QComboBox* m_format;
    // The seven layout texts, in the order of ExportWriter's members.
    QList<QLineEdit*> m_texts;
    QCheckBox* m_endOfRecordAfterLast;
    QCheckBox* m_namesAsFirstRow;
};

} // namespace quillory
