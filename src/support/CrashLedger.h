#pragma once
// Crash and state reporting: a registry of live threads with their trace-scope chains,
// fatal-error reports and crash reports written from signal handlers.
//
// Registry: every thread that opens a ScopeFrame, or installs the thread exception handler,
// holds one record (a fixed table, so a crash handler can walk it without locks or memory
// allocation) with its name, id and head slot. The record is freed by
// FreeThreadExVarsStorage, or at the latest when the thread ends.
//
// Reports: a state report lists every registered thread: its name and id, and its open
// scopes, innermost first, each with its watched variables and their current values. A fatal
// report (FatalProgramError/State) is the text, the time, the calling thread and the state
// report; it goes to stderr and to "<report folder>/ErrorReport_YYYY_MM_DD_hh_mm_ss.txt".
// A crash report (SIGSEGV, SIGABRT, SIGFPE, SIGBUS once InitCrashReporting ran) goes to stderr
// and to "<report folder>/CrashReport_YYYY_MM_DD_hh_mm_ss.txt", written from the signal
// handler with async-signal-safe code only; the signal then takes its usual course.
// Values of other threads' watched variables are read while those threads keep running
// (nothing stops them); the read never faults (unreadable memory shows as "<unreadable>"), but
// a value being changed at that moment may show half old, half new.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kov {

class ScopeFrame;

// Remembers the calling thread as the process's main (interface) thread.
void SetMainThreadID();
void SetWin32ExceptionAppName(const char* szAppName);
// Remembered for the window layer (ExceptionUIEnabled); the ledger itself shows no windows.
void EnableExceptionUI(bool bEnable);
bool ExceptionUIEnabled();
// Installs the crash handlers for the calling thread (the first call per thread only) and
// registers the thread; UninstallThreadExceptionHandler undoes it at thread end.
// (On POSIX the signal handlers are process-wide and installed by InitCrashReporting; the
// per-thread part is the thread's name in the registry and, once InitCrashReporting ran, an
// alternate signal stack so a stack overflow is reported too. Pair every install with an
// uninstall on the same thread before it ends.)
void InstallThreadExceptionHandler(const char* szThreadName);
void UninstallThreadExceptionHandler();
// The calling thread's head slot for its innermost ScopeFrame (allocated on first call).
ScopeFrame** GetAllocExVarsStorage();
// Frees the calling thread's record (name, head slot). If scopes are still open on the
// thread, the record is kept until the thread ends.
void FreeThreadExVarsStorage();
// Report an internal error or state and return.
void FatalProgramError(const char* szText);
void FatalProgramState(const char* szText);
// Fills szBuffer with a report of every live thread and its scopes; returns bytes written
// (without the terminating NUL, which is always written when iCapacity > 0), 0 when no
// thread is registered or iCapacity <= 0. A report that does not fit is cut.
int WriteThreadsStateReport(char* szBuffer, int iCapacity);
// The calling thread's open scopes, innermost first, in the state report's form; same result.
int WriteCurrentThreadScopes(char* szBuffer, int iCapacity);

// Where fatal and crash reports are written (default: $XDG_DATA_HOME, else ~/.local/share,
// + "/KOV"; created when a report is written). An empty text restores the default.
void SetReportFolder(const std::string& sFolder);
std::string ReportFolder();
// Test seam: receives each FatalProgramError/State text as well as the report.
// szKind is "FatalProgramError" or "FatalProgramState".
using FatalReportHook = void (*)(const char* szKind, const char* szText);
void SetFatalReportHook(FatalReportHook pHook);

// Process start-up on the interface thread: main thread id, app name, handler, UI flag.
// Installs the process-wide crash signal handlers and registers the thread as "Main Thread".
void InitCrashReporting(const char* szAppName, bool bEnableUI);
// Puts back the signal actions InitCrashReporting replaced (tests, orderly shutdown).
void ShutdownCrashReporting();

namespace crash_detail {
// Guard a thread's scope chain (the record behind a head slot from GetAllocExVarsStorage)
// while it changes; used by ScopeFrame. Lock-free spin lock, held for a few instructions.
void LockChain(ScopeFrame** ppHeadSlot);
void UnlockChain(ScopeFrame** ppHeadSlot);
} // namespace crash_detail

} // namespace kov
