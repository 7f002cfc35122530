#include "app/dialogs/importsettingsdialog.h"

#include "core/fieldkey.h"
#include "exchange/importsession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillory {

ImportSettingsDialog::ImportSettingsDialog(ImportSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setWindowTitle(tr("Import Settings"));
    auto* layout = new QVBoxLayout(this);

    auto* noticeBar = new QHBoxLayout;
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("importNotice"));
    m_notice->setWordWrap(true);
    m_noticeAction = new QPushButton(this);
    m_noticeAction->setObjectName(QStringLiteral("importNoticeAction"));
    noticeBar->addWidget(m_notice, 1);
    noticeBar->addWidget(m_noticeAction);
    layout->addLayout(noticeBar);
    m_notice->hide();
    m_noticeAction->hide();
    connect(m_noticeAction, &QPushButton::clicked, this, [this] {
        m_readAgain();
        m_notice->hide();
        m_noticeAction->hide();
        buildMappingRows();
        refresh();
        // The button had the focus: away from it, Return imports again rather than stepping on
        // to the next row.
        m_table->setFocus();
    });

    auto* rowBar = new QHBoxLayout;
    m_previous = new QPushButton(tr("Previous"), this);
    m_previous->setObjectName(QStringLiteral("previousRow"));
    m_next = new QPushButton(tr("Next"), this);
    m_next->setObjectName(QStringLiteral("nextRow"));
    m_rowLabel = new QLabel(this);
    m_rowLabel->setObjectName(QStringLiteral("shownRow"));
    rowBar->addWidget(m_rowLabel, 1);
    rowBar->addWidget(m_previous);
    rowBar->addWidget(m_next);
    layout->addLayout(rowBar);
    connect(m_previous, &QPushButton::clicked, this, [this] {
        m_session.showPrevRecord();
        refresh();
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        m_session.showNextRecord();
        refresh();
    });

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("mappingTable"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({tr("Value"), QString(), tr("Destination")});
    m_table->horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(MarkColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(DestinationColumn,
                                                      QHeaderView::ResizeToContents);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_table, 1);

    auto* commands = new QHBoxLayout;
    commands->addWidget(
        addButton(tr("Reset"), QStringLiteral("resetMapping"), &ImportSession::resetMapping));
    commands->addWidget(
        addButton(tr("Cascade"), QStringLiteral("mapInCascade"), &ImportSession::mapInCascade));
    commands->addWidget(addButton(tr("All New"), QStringLiteral("mapAllToNewFields"),
                                  &ImportSession::mapAllToNewFields));
    commands->addWidget(addButton(tr("From First Row"), QStringLiteral("mapFromFirstRow"),
                                  &ImportSession::mapFromFirstRow));
    commands->addStretch(1);
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("importedFieldCount"));
    commands->addWidget(m_countLabel);
    layout->addLayout(commands);

    m_firstRow = new QCheckBox(tr("The first row holds the field names (not imported)"), this);
    m_firstRow->setObjectName(QStringLiteral("firstRowHoldsNames"));
    connect(m_firstRow, &QCheckBox::toggled, this, [this](bool on) {
        m_session.setUseFirstRecordAsFieldsName(on);
        m_session.firstRowSetFieldsNameSelected();
        refresh();
    });
    layout->addWidget(m_firstRow);
    m_headerNames = new QCheckBox(tr("Name new fields after the first row"), this);
    m_headerNames->setObjectName(QStringLiteral("headerNamesForNewFields"));
    connect(m_headerNames, &QCheckBox::toggled, this,
            [this](bool on) { m_session.setUseHeaderNamesForNewFields(on); });
    layout->addWidget(m_headerNames);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Import"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("importButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    buildMappingRows();
    refresh();
    resize(560, 420);
}

void ImportSettingsDialog::showNotice(const QString& notice, const QString& action,
                                      std::function<void()> readAgain)
{
    m_notice->setText(notice);
    m_noticeAction->setText(action);
    m_readAgain = std::move(readAgain);
    m_notice->show();
    m_noticeAction->show();
}

QPushButton* ImportSettingsDialog::addButton(const QString& title, const QString& name,
                                             std::function<void(ImportSession&)> command)
{
    auto* button = new QPushButton(title, this);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] {
        command(m_session);
        refresh();
    });
    return button;
}

void ImportSettingsDialog::buildMappingRows()
{
    m_menu = {ImportDestination::skip(), std::nullopt, ImportDestination::newField(), std::nullopt};
    QStringList titles{tr("Do not import"), QString(), tr("New field"), QString()};
    for (const FieldKey& field : m_session.destinationFields()) {
        m_menu.push_back(ImportDestination::field(field.innerKey));
        titles << (field.publicKey.isEmpty() ? QStringLiteral("-") : field.publicKey);
    }
    const int columns = int(m_session.mapping().size());
    m_table->setRowCount(columns);
    for (int column = 0; column < columns; ++column) {
        m_table->setVerticalHeaderItem(column, new QTableWidgetItem(QString::number(column + 1)));
        m_table->setItem(column, ValueColumn, new QTableWidgetItem);
        m_table->setItem(column, MarkColumn, new QTableWidgetItem);
        auto* popUp = new QComboBox(m_table);
        for (int i = 0; i < titles.size(); ++i) {
            if (m_menu[size_t(i)])
                popUp->addItem(titles[i]);
            else
                popUp->insertSeparator(i);
        }
        connect(popUp, &QComboBox::activated, this,
                [this, column](int index) { destinationChosen(column, index); });
        m_table->setCellWidget(column, DestinationColumn, popUp);
    }
}

void ImportSettingsDialog::destinationChosen(int column, int menuIndex)
{
    if (menuIndex >= 0 && size_t(menuIndex) < m_menu.size() && m_menu[size_t(menuIndex)])
        m_session.setDestination(column, *m_menu[size_t(menuIndex)]);
    refresh();
}

int ImportSettingsDialog::menuIndexOf(const ImportDestination& destination) const
{
    for (size_t i = 0; i < m_menu.size(); ++i)
        if (m_menu[i] == destination)
            return int(i);
    return -1;
}

void ImportSettingsDialog::refresh()
{
    const qsizetype shown = m_session.selectedImportRow();
    const qsizetype rows = m_session.numberOfImportRows();
    m_rowLabel->setText(rows == 0
                            ? tr("The file holds no rows.")
                            : tr("Row %1 of %2").arg(m_session.currentRecordIndex()).arg(rows));
    m_previous->setEnabled(m_session.currentRecordIndex() > 1);
    m_next->setEnabled(m_session.currentRecordIndex() < rows);

    // The mark of an imported column.
    const QString importFlag = QStringLiteral("\u00BB");
    const auto& mapping = m_session.mapping();
    for (int column = 0; column < m_table->rowCount() && size_t(column) < mapping.size();
         ++column) {
        const QString value =
            shown >= 0 ? m_session.importRows().element(shown, column).toString() : QString();
        m_table->item(column, ValueColumn)->setText(value);
        const ImportDestination& destination = mapping[size_t(column)];
        m_table->item(column, MarkColumn)->setText(destination.isSkip() ? QString() : importFlag);
        auto* popUp = qobject_cast<QComboBox*>(m_table->cellWidget(column, DestinationColumn));
        const QSignalBlocker quiet(popUp);
        popUp->setCurrentIndex(menuIndexOf(destination));
    }
    m_countLabel->setText(tr("Imported fields: %1").arg(m_session.numberOfImportedFields()));
    const QSignalBlocker quiet(m_firstRow);
    m_firstRow->setChecked(m_session.doNotImportFirstRecord());
}

} // namespace quillory
