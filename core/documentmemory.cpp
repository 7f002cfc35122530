#include "core/documentmemory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>
#include <vector>

namespace quillory {

namespace {

const QString kPathKey = QStringLiteral("path");
const QString kUsedKey = QStringLiteral("used");
// Counts every remember: an order of use that clock changes and equal times cannot blur.
const QString kClockKey = QStringLiteral("clock");

} // namespace

DocumentMemory::DocumentMemory(const QString& folder)
    : m_store(QDir(folder).filePath(QStringLiteral("documents.ini")), QSettings::IniFormat)
{}

QString DocumentMemory::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Quillory");
}

QString DocumentMemory::groupOf(const QString& documentPath)
{
    if (documentPath.isEmpty())
        return {};
    // One document however its path is spelled; a hash keeps slashes out of the group names.
    const QFileInfo file(documentPath);
    QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(file.absoluteFilePath());
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QVariantMap DocumentMemory::recall(const QString& documentPath, const QString& topic) const
{
    const QString group = groupOf(documentPath);
    if (group.isEmpty())
        return {};
    return m_store.value(group + u'/' + topic).toMap();
}

void DocumentMemory::remember(const QString& documentPath, const QString& topic,
                              const QVariantMap& values)
{
    const QString group = groupOf(documentPath);
    if (group.isEmpty())
        return;
    const bool known = m_store.childGroups().contains(group);
    const qint64 now = m_store.value(kClockKey).toLongLong() + 1;
    m_store.setValue(kClockKey, now);
    m_store.beginGroup(group);
    m_store.setValue(kPathKey, QFileInfo(documentPath).absoluteFilePath());
    m_store.setValue(kUsedKey, now);
    m_store.setValue(topic, values);
    m_store.endGroup();
    if (!known)
        forgetOldest();
    m_store.sync();
}

void DocumentMemory::forgetOldest()
{
    const QStringList groups = m_store.childGroups();
    if (groups.size() <= kDocumentsKept)
        return;
    std::vector<std::pair<qint64, QString>> byUse;
    for (const QString& group : groups)
        byUse.emplace_back(m_store.value(group + u'/' + kUsedKey).toLongLong(), group);
    std::sort(byUse.begin(), byUse.end());
    for (size_t i = 0; i < byUse.size() - size_t(kDocumentsKept); ++i)
        m_store.remove(byUse[i].second);
}

} // namespace quillory
