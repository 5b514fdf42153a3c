#include "xafsbatch.h"

#include <chrono>

namespace
{

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

qint64 XafsBatch::elapsed() const
{
    const qint64 start = m_startNs;
    return start < 0 ? 0 : (nowNs() - start) / 1000000;
}

void XafsBatch::noticeStage(const QString& msg)
{
    const qint64 e = elapsed();
    emit stage(msg, e - m_lastElapsed);
    m_lastElapsed = e;
}

void XafsBatch::start()
{
    if (m_running) {
        finish();
        return;
    }
    m_running = true;
    m_startNs = nowNs();
    m_lastElapsed = 0;
    emit starting();
    noticeStage(QStringLiteral(QT_TRANSLATE_NOOP("XafsBatch", "Data Loading")));
    emit setFirstImageSet();
}

void XafsBatch::loadedDataSet()
{
    if (!m_running)
        return;
    noticeStage(QStringLiteral(QT_TRANSLATE_NOOP("XafsBatch", "Calculating")));
    emit execCalculation();
}

void XafsBatch::calcFinished()
{
    if (!m_running)
        return;
    noticeStage(QStringLiteral(QT_TRANSLATE_NOOP("XafsBatch", "Finished Calc.")));
    emit setNextImageSet();
}

void XafsBatch::noMoreSets()
{
    if (m_running)
        finish();
}

void XafsBatch::finish()
{
    m_running = false;
    noticeStage(QStringLiteral(QT_TRANSLATE_NOOP("XafsBatch", "Finished")));
    emit finished();
}
