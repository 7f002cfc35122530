// Times loading and saving one document file as a user's document is: readFromFile and
// writeToFile (to FILE.saved, removed after), each repeated, minimum and median in seconds.
//
//   bench_documentfile FILE REPETITIONS
//
// Uses only the codec's public calls, so the same source times an earlier build too.

#include "archive/documentcodec.h"
#include "core/document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace quillory;

namespace {

void report(const char* name, std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s %.4f %.4f\n", name, seconds.front(), seconds[seconds.size() / 2]);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_documentfile FILE REPETITIONS\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int repetitions = std::max(1, std::atoi(argv[2]));
    std::vector<double> load, save;
    const QString saved = file + QStringLiteral(".saved");
    // Every load first: the system writing out a save would slow the load that follows it.
    std::unique_ptr<Document> doc;
    for (int i = 0; i < repetitions; ++i) {
        // Freed outside the timed part, as a program keeps what it loads.
        doc = std::make_unique<Document>();
        QElapsedTimer timer;
        timer.start();
        if (!DocumentCodec::readFromFile(*doc, file))
            return 1;
        load.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!DocumentCodec::writeToFile(*doc, saved))
            return 1;
        save.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    QFile::remove(saved);
    report("readFromFile", load);
    report("writeToFile", save);
    return 0;
}
