// A HANDLE with one owner, closed when the owner goes unless released.
#pragma once

#include <windows.h>

// One validity test for both of the system's "no handle" values.
inline bool ValidHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE h) : m_h(h) {}
    ~OwnedHandle() {
        if (ValidHandle(m_h)) CloseHandle(m_h);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return ValidHandle(m_h); }
    HANDLE release() {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    HANDLE m_h;
};

// Manual-reset, not signalled: the completion record's event, or a wake.
inline HANDLE NewManualEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }
