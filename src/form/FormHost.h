#pragma once
// What a form needs from the screen: modal dialogs, message boxes and file dialogs.
// The window-system adapter implements IFormHost with real windows; tests use CScriptedFormHost.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kov {

class CDialog;
class CForm;

// Answers of dialogs and message boxes; the numbers are those the system's dialogs use.
enum class EDlgResult : int {
    None = 0, // still open, or never run
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

// Control ids of the standard dialog buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class EMsgButtons { Ok, OkCancel, YesNo };
enum class EMsgIcon { None, Information, Warning, Error, Question };

struct SFileFilter {
    std::u16string wszDescription;
    std::vector<std::u16string> vPatterns; // "*.ldr", "*.*"
};

// Splits "Description|*.a;*.b|Description|*.c|" into its pairs; a trailing description without
// patterns is dropped, empty patterns are skipped.
std::vector<SFileFilter> ParseFileFilters(std::u16string_view wszFilter);

struct SFileDialogOptions {
    std::u16string wszTitle;       // empty: the window system's own
    std::u16string wszFilter;      // "Description|*.ext;*.ext2|...|"
    std::u16string wszDefaultExt;  // without the dot; empty: none
    std::u16string wszInitialPath; // file or folder to start from
    bool bMustExist = true;        // open: path and file must exist
    bool bPromptOverwrite = true;  // save: ask before replacing a file
};

class IFormHost {
public:
    virtual ~IFormHost() = default;
    // Opens the dialog (CDialog::BeginModal), lets the operator work until it ends, returns its
    // result.
    virtual EDlgResult RunModal(CDialog& rDialog) = 0;
    virtual EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                                  EMsgButtons eButtons, EMsgIcon eIcon) = 0;
    // The chosen path, or nullopt when the operator cancelled.
    virtual std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options) = 0;
    virtual std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options) = 0;

    // Modeless windows: the form in a window of its own beside the main window, the operator
    // working in both. Showing a form that is shown brings its window to the front; the form's
    // OnWindowClose decides what the window's close button does. A host without windows (a
    // console) shows nothing.
    virtual void ShowModeless(CForm& rForm) { (void)rForm; }
    virtual void HideModeless(CForm& rForm) { (void)rForm; }
    virtual bool IsModelessShown(const CForm& rForm) const
    {
        (void)rForm;
        return false;
    }
    // Puts the text on the clipboard as Unicode text; false where there is no clipboard.
    virtual bool SetClipboardText(std::u16string_view wszText)
    {
        (void)wszText;
        return false;
    }
};

} // namespace kov
