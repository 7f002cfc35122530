#include "app/widgets/logview.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextCursor>

namespace quillory {

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void LogView::append(const QString& text)
{
    if (text.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    m_length += text.size();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::follow(const QString& log)
{
    if (log.size() == m_length)
        return;
    setPlainText(log);
    m_length = log.size();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace quillory
