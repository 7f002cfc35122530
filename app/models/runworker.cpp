#include "app/models/runworker.h"

namespace quillory {

RunWorker::RunWorker(RunSnapshot snapshot) : m_run(std::move(snapshot), m_fs)
{
    m_run.setLogSink([this](const QString& piece) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pending += piece;
    });
    m_run.setProgress([this](qint64 done, qint64 total) {
        m_total.store(total, std::memory_order_relaxed);
        m_done.store(done, std::memory_order_relaxed);
    });
}

RunWorker::~RunWorker()
{
    if (m_thread.joinable()) {
        m_run.requestCancel();
        m_thread.join();
    }
}

void RunWorker::start()
{
    m_thread = std::thread([this] {
        m_result = m_run.execute();
        m_finished.store(true, std::memory_order_release);
    });
}

void RunWorker::requestCancel()
{
    m_run.requestCancel();
}

QString RunWorker::takeLog()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_pending, QString());
}

} // namespace quillory
