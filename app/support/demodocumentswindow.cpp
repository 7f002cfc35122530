#include "app/support/demodocumentswindow.h"

#include "shell/releaseinfo.h"
#include "shell/supportlinks.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

namespace quillory {

QString DemoDocumentsWindow::message()
{
    return QStringLiteral("You can download Demo Documents and Tutorials for %1 directly from "
                          "here using the buttons in this window.")
        .arg(ReleaseInfo::appName());
}

QString DemoDocumentsWindow::secondMessage()
{
    return QStringLiteral("Or you can visit our web site and download them from our Download "
                          "Page.\nVisiting our site you can have also more info about %1.")
        .arg(ReleaseInfo::appName());
}

DemoDocumentsWindow::DemoDocumentsWindow(const QString& examplesFolder,
                                         std::function<void(const QUrl&)> openUrl,
                                         std::function<void(const QString&)> openDocument,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_list(new QListWidget)
{
    setWindowTitle(QStringLiteral("Demo and Tutorials for %1").arg(ReleaseInfo::appName()));
    if (!examplesFolder.isEmpty()) {
        QDirIterator it(examplesFolder, {QStringLiteral("*.quillory")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            m_documents << it.next();
        m_documents.sort();
    }

    auto* column = new QVBoxLayout(this);
    auto* bundled = new QLabel(m_documents.isEmpty()
                                   ? tr("No demo documents are installed with this copy.")
                                   : tr("Demo documents installed with %1 (click to open a copy):")
                                         .arg(ReleaseInfo::appName()));
    column->addWidget(bundled);
    const QDir base(examplesFolder);
    for (const QString& path : m_documents) {
        auto* item = new QListWidgetItem(base.relativeFilePath(path), m_list);
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
    }
    m_list->setVisible(!m_documents.isEmpty());
    m_list->setMaximumHeight(140);
    column->addWidget(m_list);
    connect(m_list, &QListWidget::itemClicked, this, [openDocument](QListWidgetItem* item) {
        openDocument(item->data(Qt::UserRole).toString());
    });

    auto* first = new QLabel(message());
    first->setWordWrap(true);
    column->addWidget(first);
    auto* downloads = new QHBoxLayout;
    const std::vector<QUrl> servers = SupportLinks::demoDocumentDownloads();
    for (size_t i = 0; i < servers.size(); ++i) {
        auto* button = new QPushButton(tr("Download from Server %1").arg(i + 1));
        const QUrl url = servers[i];
        connect(button, &QPushButton::clicked, this, [openUrl, url] { openUrl(url); });
        downloads->addWidget(button);
    }
    downloads->addStretch();
    column->addLayout(downloads);
    auto* second = new QLabel(secondMessage());
    second->setWordWrap(true);
    column->addWidget(second);

    auto* bottom = new QHBoxLayout;
    auto* site = new QPushButton(tr("Visit Web Site"));
    connect(site, &QPushButton::clicked, this, [openUrl] { openUrl(SupportLinks::homePage()); });
    auto* close = new QPushButton(tr("Close"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // A window with no document of its own: Escape puts it away, as in a dialog.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    bottom->addWidget(site);
    bottom->addStretch();
    bottom->addWidget(close);
    column->addLayout(bottom);
    resize(520, sizeHint().height());
}

} // namespace quillory
