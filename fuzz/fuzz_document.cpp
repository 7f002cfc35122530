// Opening a document from any bytes: it opens or is refused with a message, never crashes or
// takes more memory than the budget; what opens saves and opens again to the same contents,
// and saves again to the same bytes.
#include "archive/documentcodec.h"
#include "core/document.h"

#include <cstdio>
#include <cstdlib>

using namespace quillory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    Document doc;
    const Result<> read = DocumentCodec::readFromData(doc, bytes);
    if (!read) {
        if (read.message().isEmpty()) {
            std::fprintf(stderr, "refused without a message\n");
            std::abort();
        }
        return 0;
    }
    const QByteArray saved = DocumentCodec::dataOfType(doc);
    Document again;
    const Result<> reread = DocumentCodec::readFromData(again, saved);
    if (saved.isEmpty() || !reread) {
        std::fprintf(stderr, "an opened document did not save and open again: %s\n",
                     qPrintable(reread.message()));
        std::abort();
    }
    if (again.keyArray() != doc.keyArray() || again.dataArray().size() != doc.dataArray().size() ||
        again.universalFilePrototypeArray().size() != doc.universalFilePrototypeArray().size() ||
        again.mainTabId() != doc.mainTabId() || again.secTabId() != doc.secTabId()) {
        std::fprintf(stderr, "a saved document opened differently\n");
        std::abort();
    }
    // Saving what was opened from our own file changes nothing more.
    if (DocumentCodec::dataOfType(again) != saved) {
        std::fprintf(stderr, "a saved document saved differently the second time\n");
        std::abort();
    }
    return 0;
}
