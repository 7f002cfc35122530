#include "app/document/recoverystore.h"

#include "archive/documentcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillory {

namespace {

const QString kCopySuffix = QStringLiteral(".quillory");
const QString kOriginSuffix = QStringLiteral(".origin");

} // namespace

RecoveryStore::RecoveryStore(QString folder) : m_folder(std::move(folder)) {}

QString RecoveryStore::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Quillory/recovery");
}

QString RecoveryStore::copyPath(const QString& id) const
{
    return m_folder + QLatin1Char('/') + id + kCopySuffix;
}

QString RecoveryStore::originPath(const QString& id) const
{
    return m_folder + QLatin1Char('/') + id + kOriginSuffix;
}

Result<> RecoveryStore::save(const Document& doc, const QString& id,
                             const QString& originalPath) const
{
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("cannot make the recovery folder '%1'").arg(m_folder));
    // The origin first: a copy found without one would be offered as an untitled document.
    QSaveFile origin(originPath(id));
    const QByteArray bytes = originalPath.toUtf8();
    if (!origin.open(QIODevice::WriteOnly) || origin.write(bytes) != bytes.size() ||
        !origin.commit())
        return fail(origin.errorString());
    return DocumentCodec::writeToFile(doc, copyPath(id));
}

void RecoveryStore::remove(const QString& id) const
{
    QFile::remove(copyPath(id));
    QFile::remove(originPath(id));
}

std::vector<RecoveredDocument> RecoveryStore::list() const
{
    std::vector<RecoveredDocument> found;
    const QFileInfoList copies =
        QDir(m_folder).entryInfoList({QStringLiteral("*") + kCopySuffix}, QDir::Files, QDir::Time);
    for (auto it = copies.crbegin(); it != copies.crend(); ++it) {
        RecoveredDocument r;
        r.id = it->completeBaseName();
        r.copyPath = it->filePath();
        QFile origin(originPath(r.id));
        if (origin.open(QIODevice::ReadOnly))
            r.originalPath = QString::fromUtf8(origin.readAll());
        found.push_back(std::move(r));
    }
    return found;
}

} // namespace quillory
