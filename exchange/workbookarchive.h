#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace quillory {

// The parts of a workbook's zip archive, read with bounds: the sizes its directory declares
// are checked before anything is inflated, and inflating never goes past them, so a small file
// whose parts would expand to gigabytes is refused before it takes the memory.
class WorkbookArchive
{
public:
    // Above this one part (a sheet, the shared texts) would not fit the rows an import holds.
    static constexpr qint64 kMaxPartBytes = qint64(512) << 20;
    // Above this the parts read from one archive would not either.
    static constexpr qint64 kMaxTotalBytes = qint64(1) << 30;

    // Whether bytes begin as a zip archive does.
    static bool isZip(QByteArrayView bytes);

    // Reads the archive's directory; a failure says that bytes are not a usable zip archive.
    static Result<std::unique_ptr<WorkbookArchive>> open(QByteArray bytes);
    ~WorkbookArchive();
    WorkbookArchive(const WorkbookArchive&) = delete;
    WorkbookArchive& operator=(const WorkbookArchive&) = delete;

    bool contains(const QString& name) const;
    // Whether an entry is encrypted with the zip format's own password.
    bool anyEncrypted() const { return m_anyEncrypted; }
    // The inflated bytes of a part; a failure names it and says why.
    Result<QByteArray> part(const QString& name);

private:
    struct Entry
    {
        QString name;
        quint64 size = 0;
        bool counted = false;
    };
    explicit WorkbookArchive(QByteArray bytes);
    bool readDirectory();

    QByteArray m_bytes;
    std::vector<Entry> m_entries;
    bool m_anyEncrypted = false;
    qint64 m_inflated = 0;
    struct Inflater;
    std::unique_ptr<Inflater> m_inflater;
};

} // namespace quillory
