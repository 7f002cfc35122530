#include "app/dialogs/importsettingsdialog.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/importtextmenus.h"
#include "core/alert.h"
#include "core/fieldkey.h"
#include "exchange/importsession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillory {

namespace {

// The mark of an imported column.
const QString kImportFlag = QStringLiteral("\u00BB");
// A column of long texts is shown this wide at most; the rest is a drag away.
constexpr int kWidestColumn = 260;
// Columns sized to their contents; the others take the width of their menu.
constexpr int kColumnsMeasured = 100;

} // namespace

// A header that carries a widget above each section's title, the destination menus above the
// columns they choose for. The widgets are made when their section first comes into view and
// placed again as the sections move, so that a file of thousands of columns opens at once.
class DestinationHeader : public QHeaderView
{
public:
    // Makes the widget of a section, not yet shown.
    using WidgetMaker = std::function<QWidget*(int section)>;

    DestinationHeader(QAbstractScrollArea* view, WidgetMaker make)
        : QHeaderView(Qt::Horizontal, view), m_make(std::move(make))
    {
        setSectionsClickable(false);
        connect(this, &QHeaderView::sectionResized, this, [this] { place(); });
        // The view scrolls the header first: the sections are where they will be drawn.
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { place(); });
    }

    // Drops the widgets held, for count sections; widgets all as large as probe (deleted).
    void reset(int count, QWidget* probe)
    {
        qDeleteAll(m_widgets);
        m_shown.clear();
        m_widgets.assign(size_t(count), nullptr);
        m_widgetSize = probe->sizeHint();
        delete probe;
        updateGeometry();
        place();
    }
    // The section's widget, made if it was not yet; null past the last section.
    QWidget* widget(int section)
    {
        if (section < 0 || size_t(section) >= m_widgets.size())
            return nullptr;
        QWidget*& w = m_widgets[size_t(section)];
        if (!w) {
            w = m_make(section);
            w->setParent(viewport());
        }
        return w;
    }
    // The section's widget if it was made.
    QWidget* madeWidget(int section) const
    {
        return section >= 0 && size_t(section) < m_widgets.size() ? m_widgets[size_t(section)]
                                                                  : nullptr;
    }

    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        size.rheight() += m_widgetSize.height();
        return size;
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int section) const override
    {
        QHeaderView::paintSection(painter, rect.adjusted(0, m_widgetSize.height(), 0, 0), section);
    }
    QSize sectionSizeFromContents(int section) const override
    {
        QSize size = QHeaderView::sectionSizeFromContents(section);
        size.setWidth(std::max(size.width(), m_widgetSize.width()));
        return size;
    }
    void updateGeometries() override
    {
        QHeaderView::updateGeometries();
        place();
    }

private:
    // Shows the widgets of the sections in view, where their sections are, and hides the rest.
    void place()
    {
        // Finding the sections in view may lay the header out, which places them again.
        if (m_widgets.empty() || m_placing)
            return;
        const QScopedValueRollback placing(m_placing, true);
        int first = visualIndexAt(0), last = visualIndexAt(viewport()->width() - 1);
        if (first < 0)
            first = 0;
        if (last < 0)
            last = count() - 1;
        std::vector<QWidget*> shown;
        for (int visual = first; visual <= last; ++visual) {
            const int section = logicalIndex(visual);
            QWidget* w = widget(section);
            if (!w)
                continue;
            w->setGeometry(sectionViewportPosition(section), 0, sectionSize(section),
                           m_widgetSize.height());
            w->show();
            shown.push_back(w);
        }
        for (QWidget* w : m_shown)
            if (std::find(shown.begin(), shown.end(), w) == shown.end())
                w->hide();
        m_shown = std::move(shown);
    }

    WidgetMaker m_make;
    std::vector<QWidget*> m_widgets;
    std::vector<QWidget*> m_shown;
    QSize m_widgetSize;
    bool m_placing = false;
};

ImportSettingsDialog::ImportSettingsDialog(ImportSession& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_menuItems(new QStandardItemModel(this))
{
    setWindowTitle(tr("Import Settings"));
    auto* layout = new QVBoxLayout(this);

    // How the file is read (format and encoding, or the sheet) on one line; what the reading
    // found worth saying on its own line below, where a long notice has the dialog's width.
    m_sourceBar = new QHBoxLayout;
    m_sourceBar->addStretch(1);
    layout->addLayout(m_sourceBar);
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
        rowsReplaced();
        // The button had the focus: away from it, Return imports again rather than pressing it
        // once more.
        m_views->currentWidget()->setFocus();
    });

    m_views = new QTabWidget(this);
    m_views->setObjectName(QStringLiteral("importViews"));
    m_views->addTab(makeGridTab(), tr("Columns"));
    m_views->addTab(makeRowTab(), tr("Row by Row"));
    connect(m_views, &QTabWidget::currentChanged, this, [this] {
        if (!m_mappingRowsBuilt && m_views->currentIndex() == 1) {
            buildMappingRows();
            refresh();
        }
    });
    layout->addWidget(m_views, 1);

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
        // New fields are named after the first row only while it holds names.
        if (!on)
            m_session.setUseHeaderNamesForNewFields(false);
        refresh();
    });
    layout->addWidget(m_firstRow);
    m_headerNames = new QCheckBox(tr("Name new fields after the first row"), this);
    m_headerNames->setObjectName(QStringLiteral("headerNamesForNewFields"));
    connect(m_headerNames, &QCheckBox::toggled, this, [this](bool on) {
        m_session.setUseHeaderNamesForNewFields(on);
        refresh();
    });
    layout->addWidget(m_headerNames);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Import"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("importButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    rowsReplaced();
    resize(720, 520);
}

QWidget* ImportSettingsDialog::makeGridTab()
{
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("previewGrid"));
    m_gridHeader = new DestinationHeader(m_grid, [this](int column) {
        QComboBox* popUp = makeDestinationMenu(nullptr, column);
        popUp->setObjectName(QStringLiteral("destination%1").arg(column + 1));
        if (size_t(column) < m_session.mapping().size())
            popUp->setCurrentIndex(menuIndexOf(m_session.mapping()[size_t(column)]));
        return popUp;
    });
    m_grid->setHorizontalHeader(m_gridHeader);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    // One line of text a row: more of the file in view.
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    return m_grid;
}

QWidget* ImportSettingsDialog::makeRowTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    auto* rowBar = new QHBoxLayout;
    m_previous = new QPushButton(tr("Previous"), tab);
    m_previous->setObjectName(QStringLiteral("previousRow"));
    m_next = new QPushButton(tr("Next"), tab);
    m_next->setObjectName(QStringLiteral("nextRow"));
    m_rowLabel = new QLabel(tab);
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

    m_table = new QTableWidget(tab);
    m_table->setObjectName(QStringLiteral("mappingTable"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({tr("Value"), QString(), tr("Destination")});
    m_table->horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(MarkColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(DestinationColumn,
                                                      QHeaderView::ResizeToContents);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_table, 1);
    return tab;
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

void ImportSettingsDialog::showSheets(const QStringList& names, int current,
                                      std::function<bool(int)> readSheet)
{
    if (!m_sheets) {
        m_sheets = new QComboBox(this);
        m_sheets->setObjectName(QStringLiteral("importSheet"));
        auto* label = new QLabel(tr("Sheet:"), this);
        label->setBuddy(m_sheets);
        m_sourceBar->insertWidget(0, label);
        m_sourceBar->insertWidget(1, m_sheets);
        connect(m_sheets, &QComboBox::activated, this, [this](int index) {
            if (index == m_shownSheet)
                return;
            if (!m_readSheet(index)) {
                m_sheets->setCurrentIndex(m_shownSheet);
                return;
            }
            m_shownSheet = index;
            rowsReplaced();
        });
    }
    m_sheets->clear();
    m_sheets->addItems(names);
    m_sheets->setCurrentIndex(current);
    m_shownSheet = current;
    m_readSheet = std::move(readSheet);
}

void ImportSettingsDialog::showTextChoices(
    ImportSession::FileFormat format, TextEncoding encoding,
    std::function<bool(ImportSession::FileFormat, TextEncoding)> readText)
{
    if (!m_formats) {
        const auto addMenu = [this](const QString& title, const QString& name, int at) {
            auto* menu = new QComboBox(this);
            menu->setObjectName(name);
            auto* label = new QLabel(title, this);
            label->setBuddy(menu);
            m_sourceBar->insertWidget(at, label);
            m_sourceBar->insertWidget(at + 1, menu);
            connect(menu, &QComboBox::activated, this, [this] { textChoiceChanged(); });
            return menu;
        };
        m_formats = addMenu(tr("Format:"), QStringLiteral("importFormat"), 0);
        ImportTextMenus::addFormatItems(m_formats);
        m_encodings = addMenu(tr("Encoding:"), QStringLiteral("importEncoding"), 2);
        ImportTextMenus::addEncodingItems(m_encodings);
    }
    m_readFormat = ImportTextMenus::indexOf(format);
    m_readEncoding = ImportTextMenus::indexOf(encoding);
    m_formats->setCurrentIndex(m_readFormat);
    m_encodings->setCurrentIndex(m_readEncoding);
    m_readText = std::move(readText);
}

void ImportSettingsDialog::showEncoding(TextEncoding encoding)
{
    if (!m_encodings)
        return;
    m_readEncoding = ImportTextMenus::indexOf(encoding);
    m_encodings->setCurrentIndex(m_readEncoding);
}

void ImportSettingsDialog::textChoiceChanged()
{
    const int format = m_formats->currentIndex();
    const int encoding = m_encodings->currentIndex();
    if (format == m_readFormat && encoding == m_readEncoding)
        return;
    const bool noticeShown = !m_notice->isHidden();
    m_notice->hide();
    m_noticeAction->hide();
    if (!m_readText(ImportTextMenus::formatAt(format), ImportTextMenus::encodingAt(encoding))) {
        // The rows are still those of the last reading, and so is what was said about them.
        m_formats->setCurrentIndex(m_readFormat);
        m_encodings->setCurrentIndex(m_readEncoding);
        m_notice->setVisible(noticeShown);
        m_noticeAction->setVisible(noticeShown);
        return;
    }
    m_readFormat = format;
    m_readEncoding = encoding;
    rowsReplaced();
}

void ImportSettingsDialog::rowsReplaced()
{
    buildDestinationMenu();
    buildGrid();
    m_mappingRowsBuilt = false;
    m_table->setRowCount(0);
    if (m_views->currentIndex() == 1)
        buildMappingRows();
    refresh();
}

QComboBox* ImportSettingsDialog::destinationMenu(int column) const
{
    return qobject_cast<QComboBox*>(m_gridHeader->widget(column));
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

void ImportSettingsDialog::buildDestinationMenu()
{
    m_menu = {ImportDestination::skip(), std::nullopt, ImportDestination::newField(), std::nullopt};
    QStringList titles{tr("Do not import"), QString(), tr("New field"), QString()};
    for (const FieldKey& field : m_session.destinationFields()) {
        m_menu.push_back(ImportDestination::field(field.innerKey));
        titles << (field.publicKey.isEmpty() ? QStringLiteral("-") : field.publicKey);
    }
    m_menuItems->clear();
    for (size_t i = 0; i < m_menu.size(); ++i) {
        auto* item = new QStandardItem(titles[qsizetype(i)]);
        if (!m_menu[i]) {
            // What QComboBox::insertSeparator makes, once for every menu that shows the items.
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            item->setData(QStringLiteral("separator"), Qt::AccessibleDescriptionRole);
        }
        m_menuItems->appendRow(item);
    }
}

QComboBox* ImportSettingsDialog::makeDestinationMenu(QWidget* parent, int column)
{
    auto* popUp = new QComboBox(parent);
    popUp->setModel(m_menuItems);
    connect(popUp, &QComboBox::activated, this,
            [this, column](int index) { destinationChosen(column, index); });
    return popUp;
}

void ImportSettingsDialog::buildGrid()
{
    const int columns = int(m_session.mapping().size());
    const int rows = int(std::min<qsizetype>(kGridRows, m_session.numberOfImportRows()));
    m_grid->clear();
    m_grid->setColumnCount(columns);
    m_grid->setRowCount(rows);
    m_gridHeader->reset(columns, makeDestinationMenu(nullptr, 0));
    for (int column = 0; column < columns; ++column) {
        m_grid->setHorizontalHeaderItem(column, new QTableWidgetItem(QString::number(column + 1)));
        for (int row = 0; row < rows; ++row)
            m_grid->setItem(
                row, column,
                new QTableWidgetItem(m_session.importRows().element(row, column).toString()));
    }
    // Measuring every column of a very wide file would keep the dialog from opening; the
    // first ones are those in view.
    for (int column = 0; column < std::min(columns, kColumnsMeasured); ++column) {
        m_grid->resizeColumnToContents(column);
        if (m_grid->columnWidth(column) > kWidestColumn)
            m_grid->setColumnWidth(column, kWidestColumn);
    }
}

void ImportSettingsDialog::buildMappingRows()
{
    m_mappingRowsBuilt = true;
    const int columns = int(m_session.mapping().size());
    m_table->setRowCount(columns);
    for (int column = 0; column < columns; ++column) {
        m_table->setVerticalHeaderItem(column, new QTableWidgetItem(QString::number(column + 1)));
        m_table->setItem(column, ValueColumn, new QTableWidgetItem);
        m_table->setItem(column, MarkColumn, new QTableWidgetItem);
        m_table->setCellWidget(column, DestinationColumn, makeDestinationMenu(m_table, column));
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

qsizetype ImportSettingsDialog::recordsToMake() const
{
    const qsizetype rows = m_session.numberOfImportRows();
    const bool headerLeftOut =
        m_session.doNotImportFirstRecord() || m_session.useHeaderNamesForNewFields();
    return std::max<qsizetype>(0, rows - (headerLeftOut ? 1 : 0));
}

void ImportSettingsDialog::accept()
{
    const qsizetype records = recordsToMake();
    if (m_session.numberOfImportedFields() == 0 && records > 0 &&
        showAlert(this, Alert::noColumnImported(records)) != Alert::Ok)
        return;
    QDialog::accept();
}

void ImportSettingsDialog::refresh()
{
    refreshGrid();
    refreshMappingRows();
    m_countLabel->setText(tr("Imported fields: %1").arg(m_session.numberOfImportedFields()));
    const QSignalBlocker quiet(m_firstRow);
    m_firstRow->setChecked(m_session.doNotImportFirstRecord());
    const QSignalBlocker quietToo(m_headerNames);
    m_headerNames->setChecked(m_session.useHeaderNamesForNewFields());
}

void ImportSettingsDialog::refreshGrid()
{
    const auto& mapping = m_session.mapping();
    for (int column = 0; size_t(column) < mapping.size(); ++column) {
        // Menus not made yet take the mapping when they are.
        auto* popUp = qobject_cast<QComboBox*>(m_gridHeader->madeWidget(column));
        if (!popUp)
            continue;
        const QSignalBlocker quiet(popUp);
        popUp->setCurrentIndex(menuIndexOf(mapping[size_t(column)]));
    }
    // A first row that holds names is shown apart, as no record is made of it.
    const bool names = m_session.doNotImportFirstRecord() || m_session.useHeaderNamesForNewFields();
    for (int row = 0; row < m_grid->rowCount(); ++row)
        m_grid->setVerticalHeaderItem(
            row, new QTableWidgetItem(row == 0 && names ? tr("Names") : QString::number(row + 1)));
    if (m_grid->rowCount() > 0) {
        for (int column = 0; column < m_grid->columnCount(); ++column) {
            QTableWidgetItem* item = m_grid->item(0, column);
            QFont font = item->font();
            font.setItalic(names);
            item->setFont(font);
            item->setForeground(names ? palette().brush(QPalette::Disabled, QPalette::Text)
                                      : palette().brush(QPalette::Active, QPalette::Text));
        }
    }
}

void ImportSettingsDialog::refreshMappingRows()
{
    const qsizetype shown = m_session.selectedImportRow();
    const qsizetype rows = m_session.numberOfImportRows();
    m_rowLabel->setText(rows == 0
                            ? tr("The file holds no rows.")
                            : tr("Row %1 of %2").arg(m_session.currentRecordIndex()).arg(rows));
    m_previous->setEnabled(m_session.currentRecordIndex() > 1);
    m_next->setEnabled(m_session.currentRecordIndex() < rows);
    if (!m_mappingRowsBuilt)
        return;
    const auto& mapping = m_session.mapping();
    for (int column = 0; column < m_table->rowCount() && size_t(column) < mapping.size();
         ++column) {
        const QString value =
            shown >= 0 ? m_session.importRows().element(shown, column).toString() : QString();
        m_table->item(column, ValueColumn)->setText(value);
        const ImportDestination& destination = mapping[size_t(column)];
        m_table->item(column, MarkColumn)->setText(destination.isSkip() ? QString() : kImportFlag);
        auto* popUp = qobject_cast<QComboBox*>(m_table->cellWidget(column, DestinationColumn));
        const QSignalBlocker quiet(popUp);
        popUp->setCurrentIndex(menuIndexOf(destination));
    }
}

} // namespace quillory
