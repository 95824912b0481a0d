#include "effect/ProgressData.h"

#include <QMutexLocker>

#include <algorithm>

namespace Nuvra {
namespace DataStorage {

void ProgressData::advance()
{
    QMutexLocker lock(&m_mutex);
    ++m_done;
}

void ProgressData::advance(int count)
{
    QMutexLocker lock(&m_mutex);
    m_done += count;
}

void ProgressData::step()
{
    QMutexLocker lock(&m_mutex);
    if (finished())
        return;
    if (m_done >= 1 && m_total >= 1)
        m_base += std::min(1.0, double(m_done) / double(m_total)) * m_span;
    m_stack.push_back({m_total, m_currentValue, m_base, m_span, m_scale});
    m_scale *= m_span;
    m_done = 0;
    m_currentValue = m_nextValue;
    m_base = 0.0;
    m_span = 1.0;
}

void ProgressData::endStep()
{
    QMutexLocker lock(&m_mutex);
    // An unmatched close has nothing to return to.
    if (finished() || m_stack.empty())
        return;
    const StageRecord r = m_stack.back();
    m_done = 0;
    m_total = r.total;
    m_currentValue = r.value;
    m_base = r.base + r.span;
    m_span = r.span;
    m_scale = r.scale;
    if (m_base == 1.0 && m_span == 1.0)
        m_base = 0.0;
    m_stack.pop_back();
}

void ProgressData::setWeight(double f)
{
    QMutexLocker lock(&m_mutex);
    if (finished())
        return;
    if (m_done > 0 && m_total > 0) {
        m_base += std::min(1.0, double(m_done) / double(m_total)) * m_span;
        m_done = 0;
    }
    m_span = f;
    if (m_base + m_span > 1.0)
        m_span = 1.0 - m_base;
}

void ProgressData::setTotal(int n)
{
    QMutexLocker lock(&m_mutex);
    m_total = n;
    m_done = 0;
}

void ProgressData::setNextValue(uint64_t v)
{
    QMutexLocker lock(&m_mutex);
    m_nextValue = v;
}

uint64_t ProgressData::currentValue() const
{
    QMutexLocker lock(&m_mutex);
    return m_currentValue;
}

int32_t ProgressData::total() const
{
    QMutexLocker lock(&m_mutex);
    return m_total;
}

int32_t ProgressData::done() const
{
    QMutexLocker lock(&m_mutex);
    return m_done;
}

double ProgressData::base() const
{
    QMutexLocker lock(&m_mutex);
    return m_base;
}

double ProgressData::span() const
{
    QMutexLocker lock(&m_mutex);
    return m_span;
}

double ProgressData::scale() const
{
    QMutexLocker lock(&m_mutex);
    return m_scale;
}

int ProgressData::depth() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_stack.size());
}

} // namespace DataStorage
} // namespace Nuvra
