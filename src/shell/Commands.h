#pragma once
// Command ids of the main window's menu, tool bar and keys.
#include <cstdint>

namespace kov {

enum ECommand : uint32_t {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT = 57607, // bound to Ctrl+P, no action
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_NEXT_PANE = 57680, // F6, no action
    ID_PREV_PANE = 57681, // Shift+F6, no action
    ID_PANE_CLOSE = 57682,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_TREEPANE = 32774,
    ID_WRITE_TO_DEVICE = 32776,
    ID_RESET_DEVICE = 32778,
    ID_DEBUG_VIEW_CRITICAL_LOG = 32780,
    ID_DEBUG_DELETE_CRITICAL_LOG = 32782,
    ID_SHUTDOWN_DEVICE = 32785,
    ID_HELP_UPGRADE = 32786,
    ID_HELP_WEBSITE = 32787,
    ID_HELP_EMAIL_SUPPORT = 32791,
    ID_HELP_DIAGNOSTIC_INFORMATION = 32793,
    ID_DEBUG_DIAGNOSTIC_INFORMATION = 32795,
    ID_DRIVER_TEST_MODE = 32797,
    ID_DRIVER_DOWNLOAD_AND_INSTALL = 32799,
    ID_DRIVER_NORMAL_MODE = 32801,
    ID_DRIVER_UNINSTALL = 32803,
    ID_DRIVER_INSTALL = 32805,
    ID_DRIVER_DOWNLOAD = 32807,
    ID_DRIVER_RESTART_WITH_OPTIONS = 32809,
    ID_DRIVER_DELETE_USB_FLAGS = 32811,
    ID_DELETE_KEY = 32812,
};

// Timer of the device presence poll.
inline constexpr uint32_t kPresenceTimerId = 1000;
inline constexpr uint32_t kPresencePeriodMs = 1000;

} // namespace kov
