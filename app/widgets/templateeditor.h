#pragma once

#include "core/prototype.h"

#include <QWidget>

class QPlainTextEdit;
class QToolButton;

namespace quillory {

class Document;
class UndoStack;
class WindowState;

// One content template of the merge tab: its text editor and the tag menu that inserts at the
// editor's cursor. What is typed goes to the merge tab's Prototype through the Prototype
// commands, one step until the editor loses the focus. The menu is enabled only while the
// editor has the keyboard focus.
class TemplateEditor : public QWidget
{
    Q_OBJECT
public:
    // withFieldTags: the template understands field tags (text and separator), not only the
    // date and time tags (head and foot).
    TemplateEditor(UndoStack* stack, const WindowState* state, TemplateKey key,
                   const QString& title, bool withFieldTags, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    QToolButton* tagButton() const { return m_tags; }
    // Shows text without counting it as the user's edit.
    void showText(const QString& text);
    // Follows the keyboard focus (the window calls it on a timer and on focus changes).
    void refreshFocusFlag();
    void rebuildTagMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void insertTag(const QString& tag);

    UndoStack* m_stack;
    const WindowState* m_state;
    TemplateKey m_key;
    bool m_withFieldTags;
    QPlainTextEdit* m_editor;
    QToolButton* m_tags;
};

} // namespace quillory
