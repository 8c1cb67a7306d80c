#pragma once
namespace kov {
// Runs the command line; returns the process exit code.
int KovctlMain(int argc, char** argv);
} // namespace kov
