#include "app/document/recoverystore.h"

#include "archive/documentcodec.h"
#include "core/documentmemory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace quillory {

namespace {

const QString kCopySuffix = QStringLiteral(".quillory");
const QString kOriginSuffix = QStringLiteral(".origin");
const QString kLockSuffix = QStringLiteral(".lock");

} // namespace

RecoveryStore::RecoveryStore(QString folder) : m_folder(std::move(folder)) {}
RecoveryStore::RecoveryStore(RecoveryStore&&) noexcept = default;
RecoveryStore& RecoveryStore::operator=(RecoveryStore&&) noexcept = default;
RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::defaultFolder()
{
    // Beside what is remembered per document: the one state folder of the application.
    return DocumentMemory::defaultFolder() + QStringLiteral("/recovery");
}

QString RecoveryStore::copyPath(const QString& id) const
{
    return m_folder + QLatin1Char('/') + id + kCopySuffix;
}

QString RecoveryStore::originPath(const QString& id) const
{
    return m_folder + QLatin1Char('/') + id + kOriginSuffix;
}

bool RecoveryStore::claim(const QString& id)
{
    if (m_locks.contains(id))
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    auto lock = std::make_unique<QLockFile>(m_folder + QLatin1Char('/') + id + kLockSuffix);
    // A lock is stale only when the process named in it is gone; never by its age, since a
    // window may keep its copy for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_locks.emplace(id, std::move(lock));
    return true;
}

Result<> RecoveryStore::save(const Document& doc, const QString& id, const QString& originalPath)
{
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("cannot make the recovery folder '%1'").arg(m_folder));
    if (!claim(id))
        return fail(QStringLiteral("the recovery copy '%1' belongs to another running instance")
                        .arg(copyPath(id)));
    // The origin first: a copy found without one would be offered as an untitled document.
    QSaveFile origin(originPath(id));
    const QByteArray bytes = originalPath.toUtf8();
    if (!origin.open(QIODevice::WriteOnly) || origin.write(bytes) != bytes.size() ||
        !origin.commit())
        return fail(origin.errorString());
    return DocumentCodec::writeToFile(doc, copyPath(id));
}

void RecoveryStore::remove(const QString& id)
{
    // A window that never wrote a copy has nothing here to lock or remove.
    if (!m_locks.contains(id) && !QFileInfo::exists(copyPath(id)))
        return;
    if (!claim(id))
        return;
    QFile::remove(copyPath(id));
    QFile::remove(originPath(id));
    m_locks.erase(id); // unlocks, and the lock file goes
}

std::vector<RecoveredDocument> RecoveryStore::list()
{
    std::vector<RecoveredDocument> found;
    const QFileInfoList copies =
        QDir(m_folder).entryInfoList({QStringLiteral("*") + kCopySuffix}, QDir::Files, QDir::Time);
    for (auto it = copies.crbegin(); it != copies.crend(); ++it) {
        RecoveredDocument r;
        r.id = it->completeBaseName();
        if (!claim(r.id))
            continue;
        r.copyPath = it->filePath();
        QFile origin(originPath(r.id));
        if (origin.open(QIODevice::ReadOnly))
            r.originalPath = QString::fromUtf8(origin.readAll());
        found.push_back(std::move(r));
    }
    return found;
}

} // namespace quillory
