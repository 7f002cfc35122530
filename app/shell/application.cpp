#include "app/shell/application.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/document/documentwindow.h"
#include "app/shell/focusreturn.h"
#include "app/shell/shell.h"
#include "archive/documentcodec.h"
#include "core/document.h"
#include "shell/supportlinks.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <algorithm>

namespace quillory {

namespace {

const QString kRecentKey = QStringLiteral("recentDocuments");
constexpr int kRecentCount = 10;

void reportUnreadable(QWidget* parent, const QString& path, const QString& reason)
{
    QMessageBox box(
        QMessageBox::Warning, QString(),
        Application::tr("The document “%1” could not be opened.").arg(QFileInfo(path).fileName()),
        QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
}

} // namespace

Application::Application(UserDefaults* defaults, RecoveryStore recovery, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_recovery(std::move(recovery)),
      m_shell(new Shell(*this, *defaults, this))
{
    new FocusReturn(this);
}

Application::~Application()
{
    for (const QPointer<DocumentWindow>& w : m_windows)
        delete w.data();
}

std::vector<DocumentWindow*> Application::windows() const
{
    std::vector<DocumentWindow*> open;
    for (const QPointer<DocumentWindow>& w : m_windows)
        if (w)
            open.push_back(w.data());
    return open;
}

DocumentWindow* Application::show(DocumentWindow* window)
{
    std::erase_if(m_windows, [](const QPointer<DocumentWindow>& w) { return w.isNull(); });
    m_windows.emplace_back(window);
    window->show();
    return window;
}

DocumentWindow* Application::newDocument()
{
    return show(new DocumentWindow(this, std::make_unique<Document>(m_defaults), QString()));
}

std::unique_ptr<Document> Application::readDocument(const QString& path, QWidget* parent)
{
    auto doc = std::make_unique<Document>(m_defaults);
    const Result<> read = DocumentCodec::readFromFile(*doc, path);
    if (!read) {
        if (const std::optional<Alert>& alert = read.failure().alert) {
            // "Go to Download Last Version" leads to where the newer release is.
            if (m_shell->presentAlert(parent, *alert) == Alert::DownloadPage)
                m_shell->openUrl(SupportLinks::homePage());
        } else
            reportUnreadable(parent, path, read.message());
        return nullptr;
    }
    doc->markSaved();
    return doc;
}

DocumentWindow* Application::openDocument(const QString& path, QWidget* parent)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (DocumentWindow* w : windows()) {
        if (!canonical.isEmpty() && QFileInfo(w->filePath()).canonicalFilePath() == canonical) {
            w->raise();
            w->activateWindow();
            return w;
        }
    }
    std::unique_ptr<Document> doc = readDocument(path, parent);
    if (!doc)
        return nullptr;
    noteRecent(path);
    return show(new DocumentWindow(this, std::move(doc), QFileInfo(path).absoluteFilePath()));
}

DocumentWindow* Application::openCopy(const QString& path)
{
    std::unique_ptr<Document> doc = readDocument(path, nullptr);
    if (!doc)
        return nullptr;
    std::erase_if(m_copyNames, [](const auto& copy) { return copy.first.isNull(); });
    auto* window = new DocumentWindow(this, std::move(doc), QString());
    m_copyNames.emplace_back(window, tr("%1 copy").arg(QFileInfo(path).completeBaseName()));
    // The title was made before the window was known as a copy.
    window->updateTitle();
    return show(window);
}

void Application::openHandedOver(const QStringList& paths)
{
    for (const QString& path : paths)
        openDocument(path);
    if (!paths.isEmpty())
        return;
    const std::vector<DocumentWindow*> open = windows();
    if (open.empty()) {
        newDocument();
        return;
    }
    open.back()->raise();
    open.back()->activateWindow();
}

void Application::openWithDialog(QWidget* parent)
{
    const QStringList paths =
        QFileDialog::getOpenFileNames(parent, tr("Open Document"), dialogStartFolder(parent),
                                      tr("Quillory documents (*.quillory)"));
    if (!paths.isEmpty())
        noteDialogFolder(paths.constFirst());
    for (const QString& path : paths)
        openDocument(path, parent);
}

bool Application::closeAll()
{
    for (DocumentWindow* w : windows())
        if (!w->close())
            return false;
    // Quitting also closes the preferences and demo windows, which would keep the program up.
    m_shell->closeWindows();
    return true;
}

DocumentWindow* Application::reopenRecovered(const RecoveredDocument& recovered)
{
    auto doc = std::make_unique<Document>(m_defaults);
    const Result<> read = DocumentCodec::readFromFile(*doc, recovered.copyPath);
    if (!read) {
        reportUnreadable(nullptr, recovered.copyPath, read.message());
        return nullptr;
    }
    // The copy holds changes that were never saved: the window starts out edited.
    return show(new DocumentWindow(this, std::move(doc), recovered.originalPath, recovered.id));
}

std::vector<DocumentWindow*> Application::offerRecovery()
{
    std::vector<DocumentWindow*> opened;
    const std::vector<RecoveredDocument> found = m_recovery.list();
    if (found.empty())
        return opened;
    QStringList names;
    for (const RecoveredDocument& r : found)
        names << (r.originalPath.isEmpty() ? tr("an untitled document")
                                           : QFileInfo(r.originalPath).fileName());
    QMessageBox box(
        QMessageBox::Question, tr("Recover Documents"),
        tr("Quillory quit while %n document(s) had unsaved changes.", nullptr, int(found.size())),
        QMessageBox::NoButton);
    box.setInformativeText(
        tr("Reopen them with their changes? Recovered: %1").arg(names.join(QStringLiteral(", "))));
    QPushButton* reopen = box.addButton(tr("Reopen"), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(tr("Decide Later"), QMessageBox::RejectRole);
    QPushButton* discard = box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(reopen);
    // Escape decides nothing: the copies stay for the next launch.
    box.setEscapeButton(later);
    box.exec();
    for (const RecoveredDocument& r : found) {
        if (box.clickedButton() == discard) {
            m_recovery.remove(r.id);
        } else if (box.clickedButton() == reopen) {
            if (DocumentWindow* w = reopenRecovered(r))
                opened.push_back(w);
        }
    }
    return opened;
}

QStringList Application::recentDocuments() const
{
    QStringList recent = QSettings().value(kRecentKey).toStringList();
    recent.erase(std::remove_if(recent.begin(), recent.end(),
                                [](const QString& p) { return !QFileInfo::exists(p); }),
                 recent.end());
    return recent;
}

void Application::noteRecent(const QString& path)
{
    QSettings settings;
    QStringList recent = settings.value(kRecentKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentCount)
        recent.removeLast();
    settings.setValue(kRecentKey, recent);
}

QString Application::untitledName(const DocumentWindow* window) const
{
    const auto isCopy = [this](const DocumentWindow* w) {
        return std::find_if(m_copyNames.begin(), m_copyNames.end(),
                            [w](const auto& copy) { return copy.first == w; }) != m_copyNames.end();
    };
    for (const auto& [copy, name] : m_copyNames)
        if (copy == window)
            return name;
    int n = 0;
    for (const QPointer<DocumentWindow>& w : m_windows) {
        if (!w || !w->filePath().isEmpty() || isCopy(w))
            continue;
        ++n;
        if (w == window)
            break;
    }
    return n <= 1 ? tr("Untitled") : tr("Untitled %1").arg(n);
}

} // namespace quillory
