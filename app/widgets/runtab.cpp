#include "app/widgets/runtab.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/document/windowstate.h"
#include "app/models/runworker.h"
#include "app/platform/filemanager.h"
#include "app/widgets/logview.h"
#include "commands/runcommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"
#include "merge/runsnapshot.h"
#include "prototypes/unknowntags.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quillory {

namespace {

// Often enough to look live, seldom enough that appending costs little next to the run.
constexpr int kCollectIntervalMs = 100;
constexpr int kProgressRange = 1000;

QString countOf(qint64 n, const QString& one, const QString& many)
{
    return n == 1 ? one : many.arg(n);
}

QString summaryText(const RunTotals& t, bool cancelled)
{
    const QString text =
        RunTab::tr("Created %1 and %2 · %3 skipped · %4 failed")
            .arg(countOf(t.foldersCreated, RunTab::tr("1 folder"), RunTab::tr("%1 folders")),
                 countOf(t.filesCreated, RunTab::tr("1 file"), RunTab::tr("%1 files")))
            .arg(t.filesSkipped)
            .arg(t.errors);
    return cancelled ? RunTab::tr("Run cancelled. ") + text : text;
}

} // namespace

RunTab::RunTab(UndoStack* stack, WindowState* state, QWidget* parent)
    : QWidget(parent), m_stack(stack), m_doc(&stack->document()), m_state(state)
{
    // A path typed or pasted here is chosen as Choose… would choose it.
    m_destination = new QLineEdit(this);
    m_destination->setObjectName(QStringLiteral("destinationField"));
    m_destination->setPlaceholderText(tr("No destination folder"));
    m_destinationProblem = new QLabel(this);
    m_destinationProblem->setObjectName(QStringLiteral("destinationProblem"));
    m_destinationProblem->setWordWrap(true);
    m_destinationProblem->hide();
    m_fullPath = new QCheckBox(tr("Full path"), this);
    m_fullPath->setChecked(true);
    m_choose = new QPushButton(tr("Choose…"), this);
    m_show = new QPushButton(tr("Show in File Manager"), this);
    auto* destinationRow = new QHBoxLayout;
    destinationRow->addWidget(new QLabel(tr("Destination:"), this));
    destinationRow->addWidget(m_destination, 1);
    destinationRow->addWidget(m_fullPath);
    destinationRow->addWidget(m_choose);
    destinationRow->addWidget(m_show);

    m_run = new QPushButton(tr("Run"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setEnabled(false);
    m_clear = new QPushButton(tr("Clear Log"), this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, kProgressRange);
    m_progress->setValue(0);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_run);
    runRow->addWidget(m_cancel);
    runRow->addWidget(m_progress, 1);
    runRow->addWidget(m_clear);

    m_summary = new QWidget(this);
    m_summaryIcon = new QLabel(m_summary);
    m_summaryText = new QLabel(m_summary);
    m_summaryText->setObjectName(QStringLiteral("runSummaryText"));
    m_summaryText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wrapped, so that a long reason (a destination's path) never widens the window.
    m_summaryText->setWordWrap(true);
    m_problemsOnly = new QPushButton(tr("Show Only Skipped and Failed"), m_summary);
    m_problemsOnly->setCheckable(true);
    auto* summaryRow = new QHBoxLayout(m_summary);
    summaryRow->setContentsMargins(0, 0, 0, 0);
    summaryRow->addWidget(m_summaryIcon);
    summaryRow->addWidget(m_summaryText, 1);
    summaryRow->addWidget(m_problemsOnly);
    m_summary->hide();

    m_log = new LogView(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(destinationRow);
    layout->addWidget(m_destinationProblem);
    layout->addLayout(runRow);
    layout->addWidget(m_summary);
    layout->addWidget(m_log, 1);

    m_collectTimer = new QTimer(this);
    m_collectTimer->setInterval(kCollectIntervalMs);
    connect(m_collectTimer, &QTimer::timeout, this, &RunTab::collect);
    connect(m_fullPath, &QCheckBox::toggled, this, &RunTab::showDestination);
    connect(m_choose, &QPushButton::clicked, this, &RunTab::chooseDestination);
    connect(m_destination, &QLineEdit::editingFinished, this, &RunTab::chooseTypedDestination);
    connect(m_show, &QPushButton::clicked, this, &RunTab::showDestinationInFileManager);
    connect(m_run, &QPushButton::clicked, this, &RunTab::run);
    connect(m_cancel, &QPushButton::clicked, this, &RunTab::cancel);
    connect(m_clear, &QPushButton::clicked, this, &RunTab::clearLog);
    connect(m_problemsOnly, &QPushButton::toggled, this, &RunTab::showOnlyProblems);
    // Undo and redo change the log and the destination too.
    RunLogText& log = state->runLog();
    connect(&log, &RunLogText::changed, this, [this, &log] {
        // A log changed otherwise than by the last run (cleared, put back) has no summary.
        if (!isRunning() && log.text().size() != m_runEnd)
            hideSummary();
        m_log->follow(log.text());
    });
    connect(m_doc, &Document::destinationChanged, this, &RunTab::showDestination);
    m_log->follow(log.text());
    showDestination();
}

// The worker cancels and waits for a run still going.
RunTab::~RunTab() = default;

void RunTab::showDestination()
{
    const QString text = destinationText();
    m_destination->setText(text);
    m_destinationProblem->hide();
    m_show->setEnabled(!text.isEmpty());
    emit commandsChanged();
}

void RunTab::chooseDestination()
{
    if (isRunning())
        return;
    QFileDialog dialog(window(), tr("Select the destination folder to save merged files"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, tr("Select"));
    dialog.setDirectory(dialogStartFolder(this));
    if (m_doc->selectedDestinationBookmark())
        if (const auto path =
                LocationBookmark::resolve(*m_doc->selectedDestinationBookmark(), nullptr))
            dialog.setDirectory(*path);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    noteDialogFolder(dialog.selectedFiles().constFirst());
    // A folder that is gone or is no folder changes nothing, as the command says.
    (void)commands::chooseDestination(*m_stack, dialog.selectedFiles().constFirst());
}

QString RunTab::destinationText() const
{
    const std::optional<QByteArray>& bookmark = m_doc->selectedDestinationBookmark();
    const std::optional<QString> text = m_fullPath->isChecked()
                                            ? LocationBookmark::displayPath(bookmark)
                                            : LocationBookmark::displayName(bookmark);
    return text.value_or(QString());
}

void RunTab::chooseTypedDestination()
{
    QString typed = m_destination->text().trimmed();
    if (isRunning() || typed == destinationText())
        return;
    // An emptied field chooses nothing: it shows the destination again.
    if (typed.isEmpty())
        return showDestination();
    if (typed == u'~' || typed.startsWith(QLatin1String("~/")))
        typed = QDir::homePath() + typed.mid(1);
    if (QDir::isRelativePath(typed)) {
        m_destinationProblem->setText(
            tr("Type the full path of a folder, such as %1.").arg(QDir::homePath()));
        m_destinationProblem->show();
        return;
    }
    // The same step as Choose…, undone the same way.
    const Result<> chosen = commands::chooseDestination(*m_stack, QDir::cleanPath(typed));
    if (!chosen) {
        m_destinationProblem->setText(chosen.message() + u'.');
        m_destinationProblem->show();
    }
}

void RunTab::showDestinationInFileManager()
{
    const std::optional<QByteArray>& bookmark = m_doc->selectedDestinationBookmark();
    if (!bookmark)
        return;
    const std::optional<QString> path = LocationBookmark::resolve(*bookmark, nullptr);
    if (path && LocationBookmark::checkAccess(*path, LocationBookmark::Access::ReadOnly))
        showInFileManager(*path);
}

void RunTab::run()
{
    if (isRunning())
        return;
    emit runRequested();
    m_state->showMainTab(TabIds::kRun);
    PosixFileSystem fs;
    if (const std::optional<Alert> alert = RunCommands::checkDestination(*m_doc, fs)) {
        if (showAlert(window(), *alert) == Alert::SelectDestination)
            chooseDestination();
        return;
    }
    if (!confirmUnknownTags())
        return;
    std::optional<RunSnapshot> snapshot = RunSnapshot::take(*m_doc);
    if (!snapshot)
        return;
    m_worker = std::make_unique<RunWorker>(std::move(*snapshot));
    hideSummary();
    m_runStart = m_state->runLog().text().size();
    m_progress->setValue(0);
    setRunning(true);
    m_worker->start();
    m_collectTimer->start();
}

void RunTab::cancel()
{
    if (!m_worker)
        return;
    m_worker->requestCancel();
    m_cancel->setEnabled(false);
    emit commandsChanged();
}

bool RunTab::canCancel() const
{
    return m_cancel->isEnabled();
}

bool RunTab::canShowDestination() const
{
    return m_show->isEnabled();
}

void RunTab::clearLog()
{
    if (!isRunning())
        commands::clearLog(*m_stack, m_state->runLog());
}

void RunTab::collect()
{
    // Read before the log is taken, so that a finished run's last pieces are in this batch.
    const bool finished = m_worker->isFinished();
    const QString text = m_worker->takeLog();
    if (!text.isEmpty()) {
        // The view first: the log's change then finds the view already holding it.
        m_log->append(text);
        m_state->runLog().append(text);
    }
    const qint64 total = m_worker->stepsTotal();
    if (total > 0)
        m_progress->setValue(int(m_worker->stepsDone() * kProgressRange / total));
    if (finished) {
        m_collectTimer->stop();
        const std::optional<Result<RunTotals>> result = m_worker->result();
        const bool cancelled = m_worker->wasCancelled();
        m_worker.reset();
        setRunning(false);
        m_runEnd = m_state->runLog().text().size();
        if (result && *result) {
            showSummary(summaryText(**result, cancelled),
                        (*result)->filesSkipped > 0 || (*result)->errors > 0);
            emit runEnded(**result, cancelled);
        } else if (result) {
            showSummary(tr("Nothing was made: %1.").arg(result->message()), false);
            emit runFailed(result->message());
        }
    }
}

bool RunTab::confirmUnknownTags()
{
    const std::vector<UnknownTags::Found> found = UnknownTags::inDocument(*m_doc);
    if (found.empty())
        return true;
    // A field's tag is listed too where no record fills it (an All in One name, head or foot):
    // it is no misspelling there, so the question says what the run does instead.
    const QStringList known = UnknownTags::knownTags(*m_doc);
    QSet<qsizetype> prototypes;
    QStringList tags, unknown, unfilled;
    for (const UnknownTags::Found& f : found) {
        prototypes.insert(f.prototypeIndex);
        if (tags.contains(f.tag))
            continue;
        tags << f.tag;
        (known.contains(f.tag) ? unfilled : unknown) << f.tag;
    }
    const qsizetype n = prototypes.size();
    const QString who = n == 1 ? tr("1 Prototype uses") : tr("%1 Prototypes use").arg(n);
    const bool one = tags.size() == 1;
    const QString what =
        unfilled.isEmpty()
            ? (one ? tr("a tag that matches no field") : tr("tags that match no field"))
            : (one ? tr("a tag that the run cannot fill") : tr("tags that the run cannot fill"));
    const QString list = QStringLiteral(", ");
    QStringList why;
    if (!unfilled.isEmpty()) {
        if (!unknown.isEmpty())
            why << tr("No field matches %1.").arg(unknown.join(list));
        why << tr("No record fills %1 in an All in One name, head or foot.")
                   .arg(unfilled.join(list));
    }
    why << tr("The run writes such tags as they are, in names and in contents.");
    Alert alert;
    alert.messageText = tr("%1 %2: %3. Run anyway?").arg(who, what, tags.join(list));
    alert.informativeText = why.join(u' ');
    alert.buttons = {tr("Cancel"), tr("Run Anyway")};
    alert.roles = {Alert::Cancel, Alert::Ok};
    return showAlert(window(), alert) == Alert::Ok;
}

void RunTab::showSummary(const QString& text, bool anyProblem)
{
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_summaryIcon->setPixmap(style()
                                 ->standardIcon(anyProblem ? QStyle::SP_MessageBoxWarning
                                                           : QStyle::SP_MessageBoxInformation,
                                                nullptr, this)
                                 .pixmap(size, size));
    m_summaryText->setText(text);
    m_problemsOnly->setEnabled(anyProblem);
    m_summary->show();
}

void RunTab::hideSummary()
{
    m_runEnd = -1;
    m_problemsOnly->setChecked(false);
    m_summary->hide();
}

void RunTab::showOnlyProblems(bool only)
{
    const QString& log = m_state->runLog().text();
    if (only)
        m_log->showOnlyProblems(log, m_runStart);
    else if (m_log->showsOnlyProblems())
        m_log->showAll(log);
    m_problemsOnly->setText(only ? tr("Show All Lines") : tr("Show Only Skipped and Failed"));
}

void RunTab::setRunning(bool running)
{
    m_run->setEnabled(!running);
    m_cancel->setEnabled(running);
    m_choose->setEnabled(!running);
    m_destination->setReadOnly(running);
    m_clear->setEnabled(!running);
    // The other tabs edit the document, which must stay as the run found it.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i) != this)
                    tabs->widget(i)->setEnabled(!running);
            break;
        }
    }
    emit runningChanged(running);
}

} // namespace quillory
