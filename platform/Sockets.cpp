#include "platform/Sockets.h"

bool WaitSocket(SOCKET s, bool forWrite, DWORD ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set errors;
    FD_ZERO(&errors);
    FD_SET(s, &errors);
    timeval tv;
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    int n = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errors, &tv);
    return n > 0 && FD_ISSET(s, &set);
}

bool WaitSocket(SOCKET s, bool forWrite, DWORD ms, HANDLE stopEvent) {
    if (!stopEvent) return WaitSocket(s, forWrite, ms);
    // Short slices keep the socket in the mode the caller set (an event
    // selection would make it non-blocking for good).
    const DWORD kSliceMs = 50;
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        if (::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) return false;
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
        const DWORD slice = left < kSliceMs ? left : kSliceMs;
        if (WaitSocket(s, forWrite, slice)) return true;
        if (left <= kSliceMs) return false;
    }
}
