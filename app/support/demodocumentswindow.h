#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QListWidget;
class QUrl;

namespace quillory {

// The demo documents and tutorials: the documents bundled with the application, each opened
// as an untitled copy with one click (so that the installed ones stay as they are), and the
// downloads of the complete set from the maker's servers.
class DemoDocumentsWindow : public QWidget
{
    Q_OBJECT
public:
    // examplesFolder holds the bundled documents (searched below it); openUrl and
    // openDocument (which opens a copy) carry out the buttons and the clicks.
    DemoDocumentsWindow(const QString& examplesFolder, std::function<void(const QUrl&)> openUrl,
                        std::function<void(const QString&)> openDocument,
                        QWidget* parent = nullptr);

    static QString message();
    static QString secondMessage();
    // The bundled documents found, sorted by path.
    const QStringList& documents() const { return m_documents; }
    QListWidget* documentList() const { return m_list; }

private:
    QStringList m_documents;
    QListWidget* m_list;
};

} // namespace quillory
