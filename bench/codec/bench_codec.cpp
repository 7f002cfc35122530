// Times saving and loading a document of many records: dataOfType, writeToFile, readFromData
// and readFromFile, each repeated, reporting the minimum and the median in seconds.
//
//   bench_codec RECORDS FIELDS REPETITIONS FILE
//
// The document is written to FILE (kept, so that other readers can be timed on it). Output is
// one "name min median cpu-min" line per measurement (wall-clock minimum and median, minimum
// CPU time), then "bytes N".

#include "archive/documentcodec.h"
#include "core/document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

using namespace quillory;

namespace {

void buildDocument(Document& doc, int records, int fields)
{
    std::vector<QString> keys;
    for (int f = 0; f < fields; ++f) {
        keys.push_back(doc.unusedInnerKey());
        doc.insertField(int(doc.keyArray().size()),
                        {keys.back(), QStringLiteral("KEY%1").arg(f + 1)});
    }
    std::vector<Record> data;
    data.reserve(size_t(records));
    std::vector<QString> recordKeys{kCounterKey, kCheckedKey};
    recordKeys.insert(recordKeys.end(), keys.begin(), keys.end());
    PackedRecord::Builder b(RecordKeys::make(std::move(recordKeys)));
    for (int i = 0; i < records; ++i) {
        b.setInteger(0, i + 1);
        b.setBool(1, i % 7 == 0);
        for (int f = 0; f < fields; ++f)
            b.setValue(f + 2, Value::string(QStringLiteral("value %1-%2").arg(i).arg(f)));
        data.push_back(b.take());
    }
    doc.appendRecords(std::move(data));
    doc.recalcLargestCounter();
}

// Times run; prepare runs untimed before each repetition (to free the previous result).
// CPU time of this process: less disturbed than wall time when the machine is shared.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void report(const char* name, int repetitions, const std::function<void()>& run,
            const std::function<void()>& prepare = {})
{
    std::vector<double> seconds, cpu;
    for (int i = 0; i < repetitions; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        const double cpuStart = cpuSeconds();
        timer.start();
        run();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        cpu.push_back(cpuSeconds() - cpuStart);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s %.4f %.4f %.4f\n", name, seconds.front(), seconds[seconds.size() / 2],
                cpu.front());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_codec RECORDS FIELDS REPETITIONS FILE\n");
        return 2;
    }
    const int records = std::atoi(argv[1]);
    const int fields = std::atoi(argv[2]);
    const int repetitions = std::max(1, std::atoi(argv[3]));
    const QString file = QString::fromLocal8Bit(argv[4]);

    Document doc;
    buildDocument(doc, records, fields);

    QByteArray bytes;
    report("dataOfType", repetitions, [&] { bytes = DocumentCodec::dataOfType(doc); });
    report("writeToFile", repetitions, [&] {
        if (!DocumentCodec::writeToFile(doc, file))
            std::abort();
    });
    // The loaded document is freed outside the timed part, as a program keeps what it loads.
    std::unique_ptr<Document> back;
    const auto fresh = [&] { back = std::make_unique<Document>(); };
    report(
        "readFromData", repetitions,
        [&] {
            if (!DocumentCodec::readFromData(*back, bytes))
                std::abort();
        },
        fresh);
    report(
        "readFromFile", repetitions,
        [&] {
            if (!DocumentCodec::readFromFile(*back, file))
                std::abort();
        },
        fresh);
    std::printf("bytes %lld\n", static_cast<long long>(bytes.size()));
    return 0;
}
