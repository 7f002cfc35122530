// Reading a workbook (.xlsx or .ods) as an import does: it opens or is refused with a message,
// every sheet reads or is refused, and the rows' fields are slices of the text they keep.
#include "exchange/importsession.h"
#include "exchange/workbookreader.h"

#include <QByteArray>

#include <cstdlib>

using namespace quillory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Result<WorkbookReader> reader = WorkbookReader::open(bytes, QStringLiteral("fuzz.xlsx"));
    if (!reader) {
        if (reader.message().isEmpty())
            std::abort(); // a refusal must say why
        return 0;
    }
    const QStringList names = reader->sheetNames();
    if (names.isEmpty())
        std::abort(); // a workbook without sheets is refused
    for (int index = 0; index < names.size() && index < 4; ++index) {
        Result<ImportRows> rows = reader.value().readSheet(index);
        if (!rows) {
            if (rows.message().isEmpty())
                std::abort();
            continue;
        }
        const QString& text = rows->text();
        for (qsizetype r = 0; r < rows->rowCount(); ++r) {
            // Empty rows and a row's empty columns past its last text are never made.
            const qsizetype fields = rows->fieldCount(r);
            if (fields == 0 || rows->element(r, fields - 1).isEmpty())
                std::abort();
            for (qsizetype c = 0; c < fields; ++c) {
                const QStringView field = rows->element(r, c);
                if (!field.isEmpty() &&
                    (field.data() < text.constData() ||
                     field.data() + field.size() > text.constData() + text.size()))
                    std::abort();
            }
        }
        ImportSession session;
        session.loadRows(std::move(rows.value()));
        session.prepareMapping();
        session.mapAllToNewFields();
        session.run();
    }
    return 0;
}
