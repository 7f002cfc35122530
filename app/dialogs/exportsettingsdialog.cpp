#include "app/dialogs/exportsettingsdialog.h"

#include "exchange/exportwriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace quillory {

namespace {

// The layout texts as the form shows them, with the writer member each one edits.
struct LayoutText
{
    const char* label;
    const char* name;
    QString ExportWriter::*member;
};

// The format menu's items in order: a menu position is an index into these.
const std::array<std::pair<const char*, ExportFormat>, 8> kFormatItems{{
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Tab-separated"), ExportFormat::TabSeparated},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Comma-separated, quoted"), ExportFormat::QuotedCsv},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Comma-separated"), ExportFormat::PlainCsv},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Semicolon-separated, quoted"),
     ExportFormat::SemicolonCsv},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "HTML table"), ExportFormat::HtmlTable},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "HTML page"), ExportFormat::HtmlPage},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Workbook (.xlsx)"), ExportFormat::Xlsx},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Custom"), ExportFormat::Custom},
}};

const LayoutText kLayoutTexts[] = {
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Start of file:"), "startOfFile",
     &ExportWriter::start_of_file},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "End of file:"), "endOfFile",
     &ExportWriter::end_of_file},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Start of record:"), "startOfRecord",
     &ExportWriter::start_of_record},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "End of record:"), "endOfRecord",
     &ExportWriter::end_of_record},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Field open tag:"), "fieldOpenTag",
     &ExportWriter::field_open_tag},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Field close tag:"), "fieldCloseTag",
     &ExportWriter::field_close_tag},
    {QT_TRANSLATE_NOOP("ExportSettingsDialog", "Field separator:"), "fieldSeparator",
     &ExportWriter::field_separator},
};

std::set<int> selectedRows(const QListWidget* list)
{
    std::set<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            rows.insert(i);
    }
    return rows;
}

void showKeys(QListWidget* list, const std::vector<FieldKey>& keys, const std::set<int>& selection)
{
    const QSignalBlocker quiet(list);
    list->clear();
    for (const FieldKey& key : keys)
        list->addItem(key.publicKey.isEmpty() ? QStringLiteral("-") : key.publicKey);
    for (int row : selection)
        list->item(row)->setSelected(true);
}

} // namespace

ExportSettingsDialog::ExportSettingsDialog(ExportWriter& writer, ExportFieldPicker picker,
                                           QWidget* parent)
    : QDialog(parent), m_writer(writer), m_picker(std::move(picker))
{
    setWindowTitle(tr("Export Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildLists(), 1);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("exportFormat"));
    for (const auto& [title, format] : kFormatItems) {
        m_format->addItem(tr(title));
        if (format == m_writer.fileFormatToSave)
            m_format->setCurrentIndex(m_format->count() - 1);
        if (format == ExportFormat::SemicolonCsv)
            m_format->setItemData(m_format->count() - 1,
                                  tr("For spreadsheets whose locale writes decimals with a comma"),
                                  Qt::ToolTipRole);
    }
    connect(m_format, &QComboBox::activated, this, &ExportSettingsDialog::formatChosen);
    auto* formatRow = new QFormLayout;
    formatRow->addRow(tr("Format:"), m_format);
    layout->addLayout(formatRow);
    layout->addWidget(buildLayoutTexts());

    m_namesAsFirstRow = new QCheckBox(tr("The first row holds the field names"), this);
    m_namesAsFirstRow->setObjectName(QStringLiteral("namesAsFirstRow"));
    m_namesAsFirstRow->setChecked(m_writer.useFieldNamesAsFirstRow);
    connect(m_namesAsFirstRow, &QCheckBox::toggled, this,
            [this](bool on) { m_writer.useFieldNamesAsFirstRow = on; });
    layout->addWidget(m_namesAsFirstRow);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Export"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("exportButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // The texts show the chosen format's layout from the start, as after choosing it; a custom
    // layout the writer starts with (one remembered) is kept.
    if (m_writer.fileFormatToSave != ExportFormat::Custom)
        m_writer.setCustomFields(m_writer.fileFormatToSave);
    refreshLists();
    refreshLayoutTexts();
}

QWidget* ExportSettingsDialog::buildLists()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_left = new QListWidget(box);
    m_left->setObjectName(QStringLiteral("fieldsLeftOut"));
    m_right = new QListWidget(box);
    m_right->setObjectName(QStringLiteral("fieldsToExport"));
    for (QListWidget* list : {m_left, m_right})
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(new QLabel(tr("Fields left out"), box), 0, 0);
    grid->addWidget(new QLabel(tr("Fields to export"), box), 0, 2);
    grid->addWidget(m_left, 1, 0);
    grid->addWidget(m_right, 1, 2);

    auto* commands = new QVBoxLayout;
    const struct
    {
        const char* title;
        const char* name;
        void (ExportFieldPicker::*command)();
    } kCommands[] = {
        {QT_TR_NOOP("Add"), "addSelected", &ExportFieldPicker::addSelectedToRight},
        {QT_TR_NOOP("Add All"), "addAll", &ExportFieldPicker::addAllToRight},
        {QT_TR_NOOP("Remove"), "removeSelected", &ExportFieldPicker::removeSelectedFromRight},
        {QT_TR_NOOP("Remove All"), "removeAll", &ExportFieldPicker::removeAllFromRight},
        {QT_TR_NOOP("Move Up"), "moveUp", &ExportFieldPicker::moveUp},
        {QT_TR_NOOP("Move Down"), "moveDown", &ExportFieldPicker::moveDown},
    };
    commands->addStretch(1);
    for (const auto& c : kCommands) {
        auto* button = new QPushButton(tr(c.title), box);
        button->setObjectName(QString::fromLatin1(c.name));
        connect(button, &QPushButton::clicked, this,
                [this, command = c.command] { runPickerCommand(command); });
        commands->addWidget(button);
    }
    commands->addStretch(1);
    grid->addLayout(commands, 1, 1);
    return box;
}

QWidget* ExportSettingsDialog::buildLayoutTexts()
{
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    for (const LayoutText& t : kLayoutTexts) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(t.name));
        connect(edit, &QLineEdit::textEdited, this,
                [this, member = t.member](const QString& text) { m_writer.*member = text; });
        form->addRow(tr(t.label), edit);
        m_texts.append(edit);
    }
    m_endOfRecordAfterLast = new QCheckBox(tr("End of record after the last record too"), box);
    m_endOfRecordAfterLast->setObjectName(QStringLiteral("endOfRecordAfterLast"));
    connect(m_endOfRecordAfterLast, &QCheckBox::toggled, this, [this](bool on) {
        m_writer.use_end_of_record_in_last_record =
            on ? QStringLiteral("YES") : QStringLiteral("NO");
    });
    form->addRow(QString(), m_endOfRecordAfterLast);
    return box;
}

void ExportSettingsDialog::runPickerCommand(void (ExportFieldPicker::*command)())
{
    m_picker.setLeftSelection(selectedRows(m_left));
    m_picker.setRightSelection(selectedRows(m_right));
    (m_picker.*command)();
    refreshLists();
}

void ExportSettingsDialog::formatChosen(int index)
{
    if (index < 0 || size_t(index) >= kFormatItems.size())
        return;
    const ExportFormat format = kFormatItems[size_t(index)].second;
    m_writer.fileFormatToSave = format;
    m_writer.setCustomFields(format);
    refreshLayoutTexts();
}

void ExportSettingsDialog::refreshLists()
{
    showKeys(m_left, m_picker.leftKeyArray(), m_picker.leftSelection());
    showKeys(m_right, m_picker.rightKeyArray(), m_picker.rightSelection());
}

void ExportSettingsDialog::refreshLayoutTexts()
{
    // The fixed formats write their own layout; only the custom one reads these texts.
    const bool custom = m_writer.fileFormatToSave == ExportFormat::Custom;
    for (qsizetype i = 0; i < m_texts.size(); ++i) {
        m_texts[i]->setText(m_writer.*kLayoutTexts[i].member);
        m_texts[i]->setReadOnly(!custom);
    }
    const QSignalBlocker quiet(m_endOfRecordAfterLast);
    m_endOfRecordAfterLast->setChecked(
        ExportLayout::readsAsYes(m_writer.use_end_of_record_in_last_record));
    m_endOfRecordAfterLast->setEnabled(custom);
}

void ExportSettingsDialog::accept()
{
    m_writer.setFields(m_picker.rightKeyArray());
    QDialog::accept();
}

} // namespace quillory
