#pragma once

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <vector>

namespace Nuvra {
namespace DataStorage {

// Progress and cancellation record handed through every stage of the effect.
// A stage covers a share (span) of its parent; nested stages divide that
// share again. Every operation tolerates a null record at the call site
// (see ProgressStage and isCancelled below).
class ProgressData {
public:
    struct StageRecord {
        int32_t total;
        uint64_t value;
        double base;
        double span;
        double scale;
    };

    ProgressData() = default;
    virtual ~ProgressData() = default;
    ProgressData(const ProgressData&) = delete;
    ProgressData& operator=(const ProgressData&) = delete;

    // One or count steps of the current stage are finished. Overriders that
    // show progress must still count into done (call the base version), since
    // setWeight and step fold done/total into the base.
    virtual void advance();
    virtual void advance(int count);

    void step();
    void endStep();
    void setWeight(double f);
    void setTotal(int n);

    // The flags are single bytes read without the mutex, so a set flag is seen
    // at the next check from any thread.
    void setCancelled(bool on) noexcept { m_cancel.store(on ? 1 : 0, std::memory_order_relaxed); }
    bool cancelled() const noexcept { return m_cancel.load(std::memory_order_relaxed) != 0; }
    void setFinished(bool on) noexcept { m_finished.store(on ? 1 : 0, std::memory_order_relaxed); }
    bool finished() const noexcept { return m_finished.load(std::memory_order_relaxed) != 0; }

    void setNextValue(uint64_t v);
    uint64_t currentValue() const;

    int32_t total() const;
    int32_t done() const;
    double base() const;
    double span() const;
    double scale() const;
    int depth() const;

private:
    int32_t m_total = 0;
    int32_t m_done = 0;
    mutable QMutex m_mutex;
    std::atomic<uint8_t> m_cancel{0};
    uint64_t m_nextValue = 0;
    uint64_t m_currentValue = 0;
    double m_base = 0.0;
    double m_span = 1.0;
    double m_scale = 1.0;
    std::vector<StageRecord> m_stack;
    std::atomic<uint8_t> m_finished{0};
};

inline bool isCancelled(const ProgressData* p) noexcept { return p && p->cancelled(); }

// Opens a nested stage of a given step total and closes it on every way out.
class ProgressStage {
public:
    ProgressStage(ProgressData* p, int total) : m_p(p) {
        if (m_p) {
            m_p->step();
            m_p->setTotal(total);
        }
    }
    ~ProgressStage() {
        if (m_p)
            m_p->endStep();
    }
    ProgressStage(const ProgressStage&) = delete;
    ProgressStage& operator=(const ProgressStage&) = delete;

    void advance(int count = 1) const {
        if (!m_p)
            return;
        if (count == 1)
            m_p->advance();
        else
            m_p->advance(count);
    }
    bool cancelled() const noexcept { return isCancelled(m_p); }
    ProgressData* record() const noexcept { return m_p; }

private:
    ProgressData* m_p;
};

} // namespace DataStorage
} // namespace Nuvra
