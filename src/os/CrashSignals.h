#pragma once
// OS side of the crash ledger (support/CrashLedger.cpp): the process-wide crash signal handlers,
// per-thread alternate signal stacks, and the few async-signal-safe primitives a crash report
// is written with (file open/write, clock, guarded memory reads).
// Part of kov_os: the small OS-shim library below the support layer; it depends on
// nothing of the project. Every function marked "signal-safe" may be called from the handler.
#include <cstddef>
#include <cstdint>

namespace kov::os {

// Called once, on the crashing thread, from inside the signal handler; must itself be
// async-signal-safe (no malloc, no stdio, no locks that another thread may hold).
// pFaultAddress is the faulting address of a hardware fault, nullptr for a signal raised by
// software (abort, raise, kill).
using CrashSignalCallback = void (*)(int iSignal, const char* szSignalName, const void* pFaultAddress);

// Installs handlers for SIGSEGV, SIGABRT, SIGFPE and SIGBUS (where the system has them),
// remembering the actions that were in place (the default ones, or a sanitizer's). On a
// signal the handler calls pfnCallback once per process (a second crashing thread waits for
// the process to end), puts the remembered actions back and lets the signal take its course:
// a fault raised by the hardware re-executes and is delivered to the previous action, a
// signal raised by software (abort, raise, kill) is raised again. Returns false if no handler
// could be installed. A second call only replaces the callback.
bool InstallCrashSignalHandlers(CrashSignalCallback pfnCallback);
// Puts the remembered actions back (tests).
void UninstallCrashSignalHandlers();
bool CrashSignalHandlersInstalled();

// An alternate signal stack for the calling thread, so a stack overflow can still be reported.
// Returns a token for RemoveThreadCrashStack, or nullptr when none was set up.
void* InstallThreadCrashStack();
// Removes the calling thread's alternate stack set up by InstallThreadCrashStack (putting back
// the one that was there before) and frees it.
void RemoveThreadCrashStack(void* pToken);

constexpr int kCrashStderr = 2;
// Opens (creating, appending) a report file that only the user may read (0600); -1 on
// failure. A symbolic link or a file of another user is not written to: a report shows what
// the program was working on. Signal-safe.
int CrashFileOpen(const char* szPath);
// Writes all of the bytes (retrying short writes); ignores a file of -1. Signal-safe.
void CrashFileWrite(int iFile, const char* pData, size_t nBytes);
void CrashFileClose(int iFile); // signal-safe
// Folders: MakePrivateDirectory (os/Folders.h), also signal-safe.

// Seconds since 1970-01-01 UTC. Signal-safe.
int64_t CrashUnixTime();
// Offset of local time from UTC at tUnix, in seconds. NOT signal-safe (reads the time zone):
// call it ahead and keep the value.
int32_t LocalUtcOffsetSeconds(int64_t tUnix);
uint32_t CurrentProcessId(); // signal-safe

// Copies nBytes from pSource to pDest without faulting if pSource is not readable memory;
// returns the number of bytes copied (less than nBytes when unreadable memory was met).
// Signal-safe.
size_t CrashSafeCopy(void* pDest, const void* pSource, size_t nBytes);

} // namespace kov::os
