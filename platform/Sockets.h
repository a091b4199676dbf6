// Windows Sockets helpers shared by the HTTP client, the publisher service
// and the test servers.
#pragma once

#include <winsock2.h>
#include <windows.h>

// Waits until the socket can be read (or, with forWrite, written); false on
// time-out or error. A listening socket is readable when a connection waits.
bool WaitSocket(SOCKET s, bool forWrite, DWORD ms);
// The same, also watching stopEvent (may be null): false as soon as it is
// signalled.
bool WaitSocket(SOCKET s, bool forWrite, DWORD ms, HANDLE stopEvent);
