#include "app/shell/singleinstance.h"

#include "shell/releaseinfo.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace quillory {

namespace {

// The running instance's answer once it has taken the documents.
constexpr char kTaken = 'k';

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return QStringLiteral("%1/%2-%3.socket")
        .arg(folder, ReleaseInfo::applicationId())
        .arg(::getuid());
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

SingleInstance::Start SingleInstance::start(const QStringList& documents, int timeoutMs)
{
    // Launches that start together take turns: the first listens, the others hand over to it.
    QLockFile turn(m_socketPath + QStringLiteral(".lock"));
    turn.setStaleLockTime(0);
    (void)turn.tryLock(timeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(timeoutMs)) {
        QStringList absolute;
        for (const QString& path : documents)
            absolute << QFileInfo(path).absoluteFilePath();
        QByteArray message;
        QDataStream out(&message, QIODevice::WriteOnly);
        out << absolute;
        socket.write(message);
        if (socket.waitForBytesWritten(timeoutMs) && socket.waitForReadyRead(timeoutMs) &&
            socket.read(1) == QByteArray(1, kTaken))
            return Start::HandedOver;
        return Start::Running;
    }

    // Nobody answers: a socket still there was left by an instance that crashed.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_socketPath))
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::receive);
    return Start::Running;
}

void SingleInstance::receive()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList documents;
            in >> documents;
            if (!in.commitTransaction())
                return; // the rest is still on its way
            // The later launch may exit as soon as it knows; the documents open afterwards.
            socket->write(QByteArray(1, kTaken));
            socket->flush();
            socket->disconnectFromServer();
            emit documentsHandedOver(documents);
        });
    }
}

} // namespace quillory
