// A library that carries the name of an optional system library, for the
// test that plants it beside the test program: it must never be loaded in
// the system library's place.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI CachedGetUserFromSid(void*, void*, void*) { return FALSE; }
