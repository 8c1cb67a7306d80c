#pragma once
// Clean shutdown of a program on Ctrl-C and SIGTERM: the signals are held back from every
// thread and taken by one thread that asks the others to finish.
namespace kov {

// Holds SIGINT and SIGTERM for the calling thread and every thread it starts afterwards.
// Call before starting threads.
bool HoldStopSignals();
// Lets SIGINT and SIGTERM reach the calling thread again, with their default action (the
// program ends); threads started while they were held keep holding them.
bool ReleaseStopSignals();
// Waits up to iTimeoutMs for a held SIGINT or SIGTERM: its number, or 0 when none came.
int WaitForStopSignal(int iTimeoutMs);

} // namespace kov
