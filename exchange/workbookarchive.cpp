#include "exchange/workbookarchive.h"

#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <algorithm>
#include <exception>

namespace quillory {

namespace {

quint32 le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}

constexpr qsizetype kEndRecordSize = 22;
constexpr qsizetype kEntryRecordSize = 46;

} // namespace

// liborcus inflates each part into a buffer of the size the directory declares.
struct WorkbookArchive::Inflater
{
    Inflater(const QByteArray& bytes)
        : stream(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
          archive(&stream)
    {}
    orcus::zip_archive_stream_blob stream;
    orcus::zip_archive archive;
};

WorkbookArchive::WorkbookArchive(QByteArray bytes) : m_bytes(std::move(bytes)) {}

WorkbookArchive::~WorkbookArchive() = default;

bool WorkbookArchive::isZip(QByteArrayView bytes)
{
    return bytes.startsWith("PK\x03\x04");
}

Result<std::unique_ptr<WorkbookArchive>> WorkbookArchive::open(QByteArray bytes)
{
    std::unique_ptr<WorkbookArchive> archive(new WorkbookArchive(std::move(bytes)));
    if (!isZip(archive->m_bytes) || !archive->readDirectory())
        return fail(QStringLiteral("not a readable zip archive"));
    try {
        archive->m_inflater = std::make_unique<Inflater>(archive->m_bytes);
        archive->m_inflater->archive.load();
    } catch (const std::exception& e) {
        return fail(QStringLiteral("a damaged zip archive (%1)").arg(QString::fromUtf8(e.what())));
    }
    return archive;
}

bool WorkbookArchive::readDirectory()
{
    const char* data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    // The directory's end record lies in the last 64 KiB (its comment) plus its own size.
    qsizetype end = -1;
    for (qsizetype at = size - kEndRecordSize; at >= 0 && at >= size - kEndRecordSize - 65535; --at)
        if (le32(data + at) == 0x06054b50u) {
            end = at;
            break;
        }
    if (end < 0)
        return false;
    const quint16 count = le16(data + end + 10);
    const quint32 directorySize = le32(data + end + 12);
    const quint32 directoryStart = le32(data + end + 16);
    if (qint64(directoryStart) + directorySize > end)
        return false;
    qsizetype at = qsizetype(directoryStart);
    for (quint16 i = 0; i < count; ++i) {
        if (at + kEntryRecordSize > end || le32(data + at) != 0x02014b50u)
            return false;
        const quint16 flags = le16(data + at + 8);
        const quint32 compressed = le32(data + at + 20);
        const quint32 uncompressed = le32(data + at + 24);
        const quint16 nameLength = le16(data + at + 28);
        const quint16 extraLength = le16(data + at + 30);
        const quint16 commentLength = le16(data + at + 32);
        if (at + kEntryRecordSize + nameLength > end)
            return false;
        const QString name = QString::fromUtf8(data + at + kEntryRecordSize, nameLength);
        // liborcus reads a part's compressed bytes into a buffer of the declared size, and
        // finds a part by its name: neither may be other than the archive allows.
        if (qint64(compressed) > size || contains(name))
            return false;
        m_anyEncrypted = m_anyEncrypted || (flags & 1) != 0;
        // 0xFFFFFFFF defers the size to a zip64 field: more than a part may hold anyway.
        m_entries.push_back({name, uncompressed});
        at += kEntryRecordSize + nameLength + extraLength + commentLength;
    }
    return true;
}

bool WorkbookArchive::contains(const QString& name) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const Entry& e) { return e.name == name; });
}

Result<QByteArray> WorkbookArchive::part(const QString& name)
{
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const Entry& e) { return e.name == name; });
    if (entry == m_entries.end())
        return fail(QStringLiteral("its part %1 is missing").arg(name));
    const qint64 added = entry->counted ? 0 : qint64(entry->size);
    if (qint64(entry->size) > kMaxPartBytes || m_inflated + added > kMaxTotalBytes)
        return fail(QStringLiteral("its part %1 would expand to %2 MB, more than an import can "
                                   "hold")
                        .arg(name, QString::number(entry->size / 1000000)));
    // A part read again (another sheet chosen, then this one again) is not counted twice.
    m_inflated += added;
    entry->counted = true;
    std::vector<unsigned char> buffer;
    try {
        const QByteArray utf8 = name.toUtf8();
        if (!m_inflater->archive.read_file_entry(
                std::string_view(utf8.constData(), size_t(utf8.size())), buffer))
            return fail(QStringLiteral("its part %1 cannot be read").arg(name));
    } catch (const std::exception& e) {
        return fail(
            QStringLiteral("its part %1 is damaged (%2)").arg(name, QString::fromUtf8(e.what())));
    }
    // The buffer is never larger than the declared size checked above.
    return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                      qsizetype(std::min<size_t>(buffer.size(), entry->size)));
}

} // namespace quillory
