#pragma once

#include "core/prototype.h"

#include <QWidget>

class QPlainTextEdit;
class QToolButton;

namespace quillory {

class Document;

// One content template of the merge tab: its text editor and the tag menu that inserts at the
// editor's cursor. The menu is enabled only while the editor has the keyboard focus.
class TemplateEditor : public QWidget
{
    Q_OBJECT
public:
    // withFieldTags: the template understands field tags (text and separator), not only the
    // date and time tags (head and foot).
    TemplateEditor(Document* doc, TemplateKey key, const QString& title, bool withFieldTags,
                   QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    QToolButton* tagButton() const { return m_tags; }
    // Shows text without counting it as the user's edit.
    void showText(const QString& text);
    // Follows the keyboard focus (the window calls it on a timer and on focus changes).
    void refreshFocusFlag();
    void rebuildTagMenu();

private:
    void insertTag(const QString& tag);

    Document* m_doc;
    TemplateKey m_key;
    bool m_withFieldTags;
    QPlainTextEdit* m_editor;
    QToolButton* m_tags;
};

} // namespace quillory
