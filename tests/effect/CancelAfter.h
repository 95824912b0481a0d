#pragma once

// A progress record that cancels itself once the code under test has
// reported a given number of steps, whichever advance it reports them with.

#include "effect/ProgressData.h"

namespace MorvelinTest {

class CancelAfter : public Nuvra::DataStorage::ProgressData {
public:
    explicit CancelAfter(long steps) : m_left(steps) {}
    void advance() override { count(1); }
    void advance(int n) override { count(n); }
    long reported() const { return m_reported; }

private:
    void count(int n)
    {
        ProgressData::advance(n);
        m_reported += n;
        m_left -= n;
        if (m_left <= 0)
            setCancelled(true);
    }
    long m_left;
    long m_reported = 0;
};

} // namespace MorvelinTest
