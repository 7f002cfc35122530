#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace quillory {

// Keeps one application per user session, as desktop applications do: a later launch hands
// the documents it was given to the running one over a local socket and exits, and the running
// one opens them.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // <application id>-<user id>.socket in $XDG_RUNTIME_DIR, else in the temporary folder.
    static QString defaultSocketPath();

    enum class Start { HandedOver, Running };
    // Hands documents (made absolute here) to the instance already running and gives
    // HandedOver; otherwise listens for later launches from now on (taking over the socket a
    // crashed instance left) and gives Running. A running instance that does not answer in
    // time gives Running too, without listening: this launch then does the work itself.
    Start start(const QStringList& documents, int timeoutMs = 5000);
    bool isListening() const;

signals:
    // A later launch asked for documents (absolute paths; none: it was started without any).
    void documentsHandedOver(const QStringList& documents);

private:
    void receive();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};

} // namespace quillory
