#pragma once

#include <cstddef>
#include <utility>

namespace Nuvra {

// Handle to an intrusively counted object. The pointee supplies addRef() and
// release(); RefCounted does, and so do types with their own counting (tiles).
template <class T>
class SmartPtr {
public:
    using element_type = T;

    SmartPtr() noexcept = default;
    SmartPtr(std::nullptr_t) noexcept {}
    SmartPtr(T* p) noexcept : m_p(p) { if (m_p) m_p->addRef(); }
    SmartPtr(const SmartPtr& o) noexcept : m_p(o.m_p) { if (m_p) m_p->addRef(); }
    SmartPtr(SmartPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    template <class U>
    SmartPtr(const SmartPtr<U>& o) noexcept : m_p(o.get()) { if (m_p) m_p->addRef(); }
    ~SmartPtr() { if (m_p) m_p->release(); }

    // The new pointee gains its reference before the old one is released, so
    // assigning a handle its own pointee is safe.
    SmartPtr& operator=(T* p) noexcept {
        if (p) p->addRef();
        T* old = m_p;
        m_p = p;
        if (old) old->release();
        return *this;
    }
    SmartPtr& operator=(const SmartPtr& o) noexcept { return *this = o.m_p; }
    SmartPtr& operator=(SmartPtr&& o) noexcept {
        if (this != &o) {
            T* old = m_p;
            m_p = o.m_p;
            o.m_p = nullptr;
            if (old) old->release();
        }
        return *this;
    }
    SmartPtr& operator=(std::nullptr_t) noexcept { reset(); return *this; }

    void reset() noexcept {
        T* old = m_p;
        m_p = nullptr;
        if (old) old->release();
    }
    void swap(SmartPtr& o) noexcept { std::swap(m_p, o.m_p); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    friend bool operator==(const SmartPtr& a, const SmartPtr& b) noexcept { return a.m_p == b.m_p; }
    friend bool operator!=(const SmartPtr& a, const SmartPtr& b) noexcept { return a.m_p != b.m_p; }
    friend bool operator==(const SmartPtr& a, std::nullptr_t) noexcept { return a.m_p == nullptr; }
    friend bool operator!=(const SmartPtr& a, std::nullptr_t) noexcept { return a.m_p != nullptr; }

private:
    T* m_p = nullptr;
};

} // namespace Nuvra
