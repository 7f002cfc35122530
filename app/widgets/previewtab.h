#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTableView;
class QToolButton;

namespace quillory {

class Document;
class GeneratedItemsModel;
class RecordTableModel;
class WindowState;

// The preview tab: the generated items beside the records; for the chosen item and record,
// the name a run would give and the content it would write, made as the run makes them.
class PreviewTab : public QWidget
{
    Q_OBJECT
public:
    PreviewTab(const Document* doc, WindowState* state, QWidget* parent = nullptr);

    QTableView* itemTable() const { return m_items; }
    QTableView* recordTable() const { return m_records; }
    QLabel* nameLabel() const { return m_name; }
    QCheckBox* fullPathSwitch() const { return m_fullPath; }
    QPlainTextEdit* contentView() const { return m_content; }
    // Names the tags that the shown name and content keep as typed; hidden when there are none.
    QLabel* keptTagsLabel() const { return m_keptTags; }
    // The record navigator: the chosen record's place in the record table ("3 of 40") and
    // the buttons that choose the one before or after it.
    QLabel* recordPosition() const { return m_position; }
    QToolButton* previousRecordButton() const { return m_previous; }
    QToolButton* nextRecordButton() const { return m_next; }

    // The chosen item and record, as the window's state holds them, in the tables, and the
    // name and content a run would make of them.
    void showSelection();
    // Makes the name and content afresh.
    void showPreview();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Chooses the record step rows away from the chosen one (the first one when none is).
    void stepRecord(int step);
    void showRecordPosition();

    const Document* m_doc;
    WindowState* m_state;
    GeneratedItemsModel* m_itemModel;
    RecordTableModel* m_recordModel;
    QTableView* m_items;
    QTableView* m_records;
    QLabel* m_name;
    QCheckBox* m_fullPath;
    QPlainTextEdit* m_content;
    QLabel* m_keptTags;
    QToolButton* m_previous;
    QToolButton* m_next;
    QLabel* m_position;
};

} // namespace quillory
