#pragma once
// Settings of a simulated device and the command line of kov-device-sim.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/TextNumbers.h"

namespace kov {

struct SSimDeviceOptions {
    uint32_t dwSoftwareVersion = PackVersion(7, 1, 2, 3);
    std::optional<std::string> oPassword; // set: ReadParameters first asks for it
    std::optional<uint32_t> oBadAckBlock; // the block at offset N*1024 gets one wrong ack per run
    std::optional<uint32_t> oFlashError;  // programming ends with FlashWriteError(E)
    std::optional<uint32_t> oStrayFrame;  // a frame with this id (no payload) before each document
    std::string sSaveImagePath;           // non-empty: the received image is written there
    // Pace of unsolicited frames (log lines, test and flash progress).
    int iTickMs = 100;
    // One line per frame received and per notable event; empty: silent.
    std::function<void(const std::string&)> fnLog;
};

struct SSimProgramOptions {
    SSimDeviceOptions device;
    std::string sDocumentPath; // empty: the built-in sample document
    std::string sRoot;         // empty: the default device root
    std::string sName = "dovrane-sim-1";
    int iUnplugAfterSeconds = -1; // negative: serve until stopped
    int iRestartDelayMs = 1500;   // a restarted device stays away this long
    bool bQuiet = false;
    bool bHelp = false;
};

extern const char* const kSimUsage;

// Parses the arguments after the program name. False with sError set on a usage error.
bool ParseSimArguments(const std::vector<std::string>& vArgs, SSimProgramOptions& options,
                       std::string& sError);

} // namespace kov
