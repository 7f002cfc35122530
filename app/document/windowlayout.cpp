#include "app/document/windowlayout.h"

#include <QEvent>
#include <QHeaderView>
#include <QMainWindow>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

namespace quillory {

namespace {

const QString kGeometryKey = QStringLiteral("geometry");
const QString kSplittersKey = QStringLiteral("splitters");
const QString kColumnsKey = QStringLiteral("columns");

// Columns are known by their titles, so that a width follows its field when fields are added
// or deleted before it.
QString columnKey(const QTableView* table, int column)
{
    const QString title =
        table->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return title.isEmpty() ? QStringLiteral("@%1").arg(column) : title;
}

// The columns whose width the person sets: not those sized by their contents, nor the last,
// which fills what is left.
bool isSizedByHand(const QHeaderView* header, int column)
{
    if (header->stretchLastSection() && column == header->count() - 1)
        return false;
    return header->sectionResizeMode(column) == QHeaderView::Interactive;
}

} // namespace

WindowLayout::WindowLayout(QMainWindow* window, QTabWidget* tabs, const QStringList& tabIds,
                           const QVariantMap& remembered)
    : QObject(window), m_window(window), m_splitterSizes(remembered.value(kSplittersKey).toMap()),
      m_columnWidths(remembered.value(kColumnsKey).toMap())
{
    // Parts are named by their tab and their order in it, which stay as long as the tabs do.
    for (int page = 0; page < tabs->count() && page < tabIds.size(); ++page) {
        const QString& tab = tabIds[page];
        const QList<QSplitter*> splitters = tabs->widget(page)->findChildren<QSplitter*>();
        for (int i = 0; i < splitters.size(); ++i)
            m_splitters.emplace_back(tab + QStringLiteral("/splitter%1").arg(i), splitters[i]);
        const QList<QTableView*> tables = tabs->widget(page)->findChildren<QTableView*>();
        for (int i = 0; i < tables.size(); ++i)
            m_tables.emplace_back(tab + QStringLiteral("/table%1").arg(i), tables[i]);
    }
    for (const auto& [key, splitter] : m_splitters)
        splitter->installEventFilter(this);
    for (const auto& [key, table] : m_tables) {
        // Measuring every row of a large table would hold up its first showing.
        table->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
        table->verticalHeader()->setResizeContentsPrecision(kMeasuredRows);
        table->installEventFilter(this);
    }
    // Qt brings a window remembered on a screen that is gone onto one that is there.
    const QByteArray geometry = remembered.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        window->restoreGeometry(geometry);
}

bool WindowLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show || m_shown.contains(watched))
        return false;
    m_shown.insert(watched);
    for (const auto& [key, splitter] : m_splitters)
        if (splitter == watched)
            restoreSplitter(key, splitter);
    for (const auto& [key, table] : m_tables)
        if (table == watched)
            restoreColumns(key, table);
    return false;
}

void WindowLayout::restoreSplitter(const QString& key, QSplitter* splitter)
{
    const QVariantList remembered = m_splitterSizes.value(key).toList();
    if (remembered.size() != splitter->count())
        return;
    QList<int> sizes;
    for (const QVariant& size : remembered)
        sizes << size.toInt();
    splitter->setSizes(sizes);
}

void WindowLayout::restoreColumns(const QString& key, QTableView* table)
{
    if (!m_columnWidths.contains(key)) {
        fitColumns(table);
        return;
    }
    const QVariantMap widths = m_columnWidths.value(key).toMap();
    QHeaderView* header = table->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        const QVariant width = widths.value(columnKey(table, column));
        if (width.isValid() && isSizedByHand(header, column))
            header->resizeSection(column, width.toInt());
    }
}

void WindowLayout::fitColumns(QTableView* table)
{
    QHeaderView* header = table->horizontalHeader();
    const int widest = std::max(header->defaultSectionSize(), table->viewport()->width() / 2);
    for (int column = 0; column < header->count(); ++column) {
        if (!isSizedByHand(header, column))
            continue;
        table->resizeColumnToContents(column);
        if (header->sectionSize(column) > widest)
            header->resizeSection(column, widest);
    }
}

QVariantMap WindowLayout::values() const
{
    QVariantMap splitters = m_splitterSizes;
    for (const auto& [key, splitter] : m_splitters) {
        if (!m_shown.contains(splitter))
            continue;
        QVariantList sizes;
        for (int size : splitter->sizes())
            sizes << size;
        splitters.insert(key, sizes);
    }
    QVariantMap columns = m_columnWidths;
    for (const auto& [key, table] : m_tables) {
        if (!m_shown.contains(table))
            continue;
        const QHeaderView* header = table->horizontalHeader();
        QVariantMap widths;
        for (int column = 0; column < header->count(); ++column)
            if (isSizedByHand(header, column))
                widths.insert(columnKey(table, column), header->sectionSize(column));
        columns.insert(key, widths);
    }
    return {{kGeometryKey, m_window->saveGeometry()},
            {kSplittersKey, splitters},
            {kColumnsKey, columns}};
}

} // namespace quillory
