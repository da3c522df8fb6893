#pragma once
// What long work and the window share while the work runs on a worker thread: the
// window asks it to stop, the work says how far it has come. No Qt: core code that
// runs long (rendering, listing, fetching, exporting) takes one of these.
#include <atomic>
#include <cstdint>

class JobControl {
public:
    // Asked by the window (the user pressed Cancel); checked by the work between steps.
    void RequestCancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return m_cancel.load(std::memory_order_relaxed); }

    // How far the work has come, in its own units (bytes, variables); a total of 0
    // means the amount is not known.
    void SetTotal(std::uint64_t total) { m_total.store(total, std::memory_order_relaxed); }
    void SetDone(std::uint64_t done) { m_done.store(done, std::memory_order_relaxed); }
    void AddDone(std::uint64_t n) { m_done.fetch_add(n, std::memory_order_relaxed); }
    std::uint64_t Total() const { return m_total.load(std::memory_order_relaxed); }
    std::uint64_t Done() const { return m_done.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<std::uint64_t> m_total{0};
    std::atomic<std::uint64_t> m_done{0};
};
