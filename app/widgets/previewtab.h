#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTableView;

namespace quillory {

class Document;
class GeneratedItemsModel;
class RecordTableModel;

// The preview tab: the generated items beside the records; for the chosen item and record,
// the name a run would give and the content it would write, made as the run makes them.
class PreviewTab : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewTab(Document* doc, QWidget* parent = nullptr);

    QTableView* itemTable() const { return m_items; }
    QTableView* recordTable() const { return m_records; }
    QLabel* nameLabel() const { return m_name; }
    QCheckBox* fullPathSwitch() const { return m_fullPath; }
    QPlainTextEdit* contentView() const { return m_content; }

    // Shows the document's preview name and content.
    void showPreview();

private:
    Document* m_doc;
    GeneratedItemsModel* m_itemModel;
    RecordTableModel* m_recordModel;
    QTableView* m_items;
    QTableView* m_records;
    QLabel* m_name;
    QCheckBox* m_fullPath;
    QPlainTextEdit* m_content;
};

} // namespace quillory
