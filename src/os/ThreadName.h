#pragma once
// OS thread name of the calling thread (shown by debuggers, top -H, /proc/<pid>/task/*/comm).
// Part of kov_os: the small OS-shim library that sits below the support layer.

namespace kov::os {

// Sets the calling thread's OS name; Linux keeps at most 15 bytes, longer names are cut.
void SetCurrentThreadName(const char* szName);

} // namespace kov::os
