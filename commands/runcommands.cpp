#include "commands/runcommands.h"

#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/runlogtext.h"

#include <QFileInfo>

namespace quillory::commands {

namespace {

class SetDestination : public Command
{
public:
    SetDestination(Document& doc, QByteArray bookmark)
        : m_doc(doc), m_beforeDefined(doc.selectedDestinationDefined()),
          m_before(doc.selectedDestinationBookmark()), m_after(std::move(bookmark))
    {}
    QString name() const override { return Document::tr("Choose Destination"); }
    void redo() override { m_doc.setDestination(true, m_after); }
    void undo() override { m_doc.setDestination(m_beforeDefined, m_before); }

private:
    Document& m_doc;
    bool m_beforeDefined;
    std::optional<QByteArray> m_before;
    QByteArray m_after;
};

class ClearLog : public Command
{
public:
    ClearLog(RunLogText& log) : m_log(log), m_before(log.text()) {}
    QString name() const override { return Document::tr("Clear Log"); }
    void redo() override { m_log.setText(QString()); }
    void undo() override { m_log.setText(m_before); }

private:
    RunLogText& m_log;
    QString m_before;
};

} // namespace

Result<> chooseDestination(UndoStack& stack, const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("The folder '") + path + QStringLiteral("' does not exist"));
    if (!info.isDir())
        return fail(QStringLiteral("'") + path + QStringLiteral("' is not a folder"));
    std::optional<QByteArray> bookmark =
        LocationBookmark::make(path, LocationBookmark::Access::ReadWrite);
    if (!bookmark)
        return fail(QStringLiteral("Cannot remember the folder '") + path + QLatin1Char('\''));
    stack.push(std::make_unique<SetDestination>(stack.document(), std::move(*bookmark)));
    return {};
}

void clearLog(UndoStack& stack, RunLogText& log)
{
    if (!log.text().isEmpty())
        stack.push(std::make_unique<ClearLog>(log));
}

} // namespace quillory::commands
