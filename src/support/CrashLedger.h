#pragma once
// Crash and state reporting: a registry of live threads with their trace-scope chains,
// fatal-error reports and crash reports written from signal handlers.
#include <cstddef>
#include <string>

namespace kov {

class ScopeFrame;

void SetMainThreadID();
void SetWin32ExceptionAppName(const char* szAppName);
void EnableExceptionUI(bool bEnable);
// Installs the crash handlers for the calling thread (the first call per thread only) and
// registers the thread; UninstallThreadExceptionHandler undoes it at thread end.
void InstallThreadExceptionHandler(const char* szThreadName);
void UninstallThreadExceptionHandler();
// The calling thread's head slot for its innermost ScopeFrame (allocated on first call).
ScopeFrame** GetAllocExVarsStorage();
void FreeThreadExVarsStorage();
// Report an internal error or state and return.
void FatalProgramError(const char* szText);
void FatalProgramState(const char* szText);
// Fills szBuffer with a report of every live thread and its scopes; returns bytes written.
int WriteThreadsStateReport(char* szBuffer, int iCapacity);

// Where fatal and crash reports are written (default: the application-data folder + "/KOV").
void SetReportFolder(const std::string& sFolder);
// Test seam: receives each FatalProgramError/State text as well as the report.
using FatalReportHook = void (*)(const char* szKind, const char* szText);
void SetFatalReportHook(FatalReportHook pHook);

// Process start-up on the interface thread: main thread id, app name, handler, UI flag.
void InitCrashReporting(const char* szAppName, bool bEnableUI);

} // namespace kov
