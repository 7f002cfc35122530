#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

#include <utility>
#include <vector>

class QEvent;
class QMainWindow;
class QSplitter;
class QTabWidget;
class QTableView;

namespace quillory {

// The sizes a person gives a document window: the window's own, its splitters' and its table
// columns'. What was remembered comes back as each part first shows (a tab never shown has no
// sizes to go by); a table with nothing remembered gets columns that fit its first rows.
class WindowLayout : public QObject
{
    Q_OBJECT
public:
    // The rows measured to fit a column to its contents: enough for a fair width, few enough
    // that a table of any length opens at once.
    static constexpr int kMeasuredRows = 100;

    // The pages of tabs are named by tabIds, in order; remembered is what values() gave for
    // the document before (empty for none).
    WindowLayout(QMainWindow* window, QTabWidget* tabs, const QStringList& tabIds,
                 const QVariantMap& remembered);

    // The layout as it is now, to remember. A part not shown since the window opened keeps
    // what was remembered of it.
    QVariantMap values() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreSplitter(const QString& key, QSplitter* splitter);
    void restoreColumns(const QString& key, QTableView* table);
    // Widths that show the column's title and its first rows, at most half the table's width.
    static void fitColumns(QTableView* table);

    QMainWindow* m_window;
    std::vector<std::pair<QString, QSplitter*>> m_splitters;
    std::vector<std::pair<QString, QTableView*>> m_tables;
    QVariantMap m_splitterSizes;
    QVariantMap m_columnWidths;
    QSet<const QObject*> m_shown;
};

} // namespace quillory
