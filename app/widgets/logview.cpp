#include "app/widgets/logview.h"

#include <QEvent>
#include <QFontDatabase>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace quillory {

namespace {

// Colours each line after what it reports. Only the blocks a change touches are coloured
// again; a rejected path's message is told by the line after it, which arrives by an insertion
// at the end of the message's own block, so that block is coloured again then.
class LogHighlighter : public QSyntaxHighlighter
{
public:
    explicit LogHighlighter(LogView* view) : QSyntaxHighlighter(view->document()), m_view(view) {}

protected:
    void highlightBlock(const QString& text) override
    {
        const QTextBlock next = currentBlock().next();
        const QColor colour =
            m_view->colourOf(RunLog::lineKind(text, next.isValid() ? next.text() : QString()));
        if (colour.isValid())
            setFormat(0, int(text.size()), colour);
    }

private:
    LogView* m_view;
};

} // namespace

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_highlighter = new LogHighlighter(this);
}

void LogView::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_highlighter)
        m_highlighter->rehighlight();
}

QColor LogView::colourOf(RunLog::LineKind kind) const
{
    // Darker shades on a light background, lighter ones on a dark background.
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    switch (kind) {
    case RunLog::LineKind::Error:
        return dark ? QColor(0xff, 0x7b, 0x72) : QColor(0xc0, 0x1c, 0x28);
    case RunLog::LineKind::Skipped:
        return dark ? QColor(0xe3, 0xb3, 0x41) : QColor(0x9a, 0x67, 0x00);
    case RunLog::LineKind::Created:
    case RunLog::LineKind::Other:
        break;
    }
    return {};
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
    m_problemsOnly = false;
    showText(log);
    m_length = log.size();
}

void LogView::showOnlyProblems(const QString& log, qsizetype partStart)
{
    const QList<QStringView> lines =
        QStringView(log).sliced(std::clamp<qsizetype>(partStart, 0, log.size())).split(u'\n');
    QStringList problems;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView next = i + 1 < lines.size() ? lines[i + 1] : QStringView();
        const RunLog::LineKind kind = RunLog::lineKind(lines[i], next);
        if (kind == RunLog::LineKind::Skipped || kind == RunLog::LineKind::Error)
            problems << lines[i].toString();
    }
    m_problemsOnly = true;
    m_length = log.size();
    showText(problems.join(u'\n'));
}

void LogView::showAll(const QString& log)
{
    m_problemsOnly = false;
    m_length = log.size();
    showText(log);
}

void LogView::showText(const QString& text)
{
    setPlainText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace quillory
