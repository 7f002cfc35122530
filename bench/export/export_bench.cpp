// Builds a large document in memory and times its export to a TSV file.
// Usage: export_bench <output file> [records]. Prints one line: records, seconds, and
// the megabytes that writing adds to the peak resident size (the records are not counted).

#include "exchange/exportwriter.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace quillory;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: export_bench <output file> [records]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long records = argc > 2 ? std::atol(argv[2]) : 1000000;

    // The same rows as csv_writer.py writes.
    std::vector<FieldKey> keys;
    for (int k = 0; k < 5; ++k)
        keys.push_back({QString::number(k + 3), QStringLiteral("F%1").arg(k + 1)});
    std::vector<Record> data;
    data.reserve(std::size_t(records));
    for (long i = 0; i < records; ++i) {
        MutableRecord r = PackedRecord::make();
        r->set(kCounterKey, Value::integer(i + 1));
        r->set(kCheckedKey, Value::boolean(false));
        r->set(keys[0].innerKey, Value::string(QStringLiteral("Name") + QString::number(i)));
        r->set(keys[1].innerKey,
               Value::string(QStringLiteral("City ") + QString::number(i % 1000)));
        r->set(keys[2].innerKey, Value::string(QStringLiteral("person%1@example.com").arg(i)));
        r->set(keys[3].innerKey, Value::string(QString::number(i * 7)));
        r->set(keys[4].innerKey,
               Value::string(QStringLiteral("Note with spaces ") + QString::number(i % 97)));
        data.push_back(std::move(r));
    }

    ExportWriter manager(std::move(data), keys);
    manager.fileFormatToSave = ExportFormat::TabSeparated;

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    const Result<> result = manager.writeToFile(path);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!result) {
        std::fprintf(stderr, "%s\n", qPrintable(result.message()));
        return 1;
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // The peak that the export adds on top of the records already in memory.
    std::printf("%ld %.3f %ld\n", records, seconds,
                long((after.ru_maxrss - before.ru_maxrss) / 1024));
    return 0;
}
