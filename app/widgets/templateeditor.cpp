#include "app/widgets/templateeditor.h"

#include "app/document/windowstate.h"
#include "app/widgets/tagmarker.h"
#include "app/widgets/tagmenu.h"
#include "commands/prototypecommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/taginsertion.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory {

TemplateEditor::TemplateEditor(UndoStack* stack, const WindowState* state, TemplateKey key,
                               const QString& title, bool withFieldTags, QWidget* parent)
    : QWidget(parent), m_stack(stack), m_state(state), m_key(key), m_withFieldTags(withFieldTags)
{
    m_editor = new QPlainTextEdit(this);
    m_editor->setTabChangesFocus(true);
    if (key == TemplateKey::Separator) {
        // A separator is often only a line break or a space: marks show what it holds, drawn
        // by the layout and never part of the text.
        QTextOption shown = m_editor->document()->defaultTextOption();
        shown.setFlags(shown.flags() | QTextOption::ShowLineAndParagraphSeparators |
                       QTextOption::ShowTabsAndSpaces);
        m_editor->document()->setDefaultTextOption(shown);
    }
    m_tags = new QToolButton(this);
    m_tags->setText(tr("Insert Tag"));
    m_tags->setPopupMode(QToolButton::InstantPopup);
    m_tags->setMenu(new QMenu(m_tags));
    m_tags->setEnabled(false);
    auto* label = new QLabel(title, this);
    label->setBuddy(m_editor);

    auto* top = new QHBoxLayout;
    top->addWidget(label, 1);
    top->addWidget(m_tags);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(m_editor, 1);

    new TagMarker(m_editor, stack->document(), withFieldTags);
    m_editor->installEventFilter(this);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        commands::setPrototypeTemplate(*m_stack, m_state->mergePrototype(), m_key,
                                       m_editor->toPlainText());
    });
    connect(m_tags->menu(), &QMenu::triggered, this,
            [this](QAction* action) { insertTag(tagOfItem(action)); });
    rebuildTagMenu();
}

void TemplateEditor::showText(const QString& text)
{
    if (m_editor->toPlainText() == text)
        return;
    const QSignalBlocker block(m_editor);
    m_editor->setPlainText(text);
}

bool TemplateEditor::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving the editor ends the typing step: coming back starts another.
    if (watched == m_editor && event->type() == QEvent::FocusOut)
        m_stack->closeTyping();
    return QWidget::eventFilter(watched, event);
}

void TemplateEditor::refreshFocusFlag()
{
    // An open menu has the focus for a moment; the button stays usable meanwhile.
    m_tags->setEnabled(m_editor->hasFocus() || m_tags->menu()->isVisible());
}

void TemplateEditor::rebuildTagMenu()
{
    fillTagMenu(m_tags->menu(), m_stack->document(), m_withFieldTags);
}

void TemplateEditor::insertTag(const QString& tag)
{
    const QTextCursor cursor = m_editor->textCursor();
    const EditorState editor{m_editor->toPlainText(), cursor.selectionStart(),
                             cursor.selectionEnd() - cursor.selectionStart()};
    const EditorState result = TagInsertion::replaceSelection(editor, tag);
    commands::setPrototypeTemplate(*m_stack, m_state->mergePrototype(), m_key, result.text);
    showText(result.text);
    QTextCursor moved = m_editor->textCursor();
    moved.setPosition(int(result.selectionStart));
    m_editor->setTextCursor(moved);
    m_editor->setFocus();
}

} // namespace quillory
