// The whole import of a delimited text file into a new document, as a user runs it: automatic
// format and encoding, every column to a new field, then the document saved.
#include "commands/importstep.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "exchange/importsession.h"

#if __has_include("archive/documentcodec.h")
#include "archive/documentcodec.h"
#define BENCH_HAS_CODEC 1
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using namespace quillory;

namespace {

QString peakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return QString::fromLatin1(line.mid(6).trimmed());
    }
    return QStringLiteral("?");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_import FILE.csv [OUT.quillory]\n");
        return 2;
    }
    QElapsedTimer total, step;
    total.start();
    step.start();

    Document doc;
    UndoStack stack(doc);
    ImportStep importStep(stack, args[1]);
    ImportSession engine(&importStep);
    engine.load(args[1]);
    const qint64 parseMs = step.restart();
    const QString parsePeak = peakMemory();
    engine.mapAllToNewFields();
    engine.run();
    const qsizetype rows = engine.numberOfImportRows();
    engine.releaseRows();
    const qint64 importMs = step.restart();
    const QString importPeak = peakMemory();

    qint64 saveMs = -1;
#ifdef BENCH_HAS_CODEC
    if (args.size() > 2) {
        const auto result = DocumentCodec::writeToFile(doc, args[2]);
        saveMs = step.restart();
        if (!result) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(result.message()));
            return 1;
        }
    }
#endif
    QTextStream(stderr) << "rows=" << rows << " records=" << doc.dataArray().size()
                        << " fields=" << doc.keyArray().size() - kFirstUserKeyIndex
                        << " parse_ms=" << parseMs << " import_ms=" << importMs
                        << " save_ms=" << saveMs << " total_ms=" << total.elapsed()
                        << " peak_after_parse=" << parsePeak << " peak_after_records=" << importPeak
                        << " VmHWM=" << peakMemory() << "\n";
    return doc.dataArray().empty() ? 1 : 0;
}
