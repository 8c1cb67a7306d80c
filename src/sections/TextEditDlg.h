#pragma once
// "Text Edit": a general editor of one text, which can also be loaded from a file (any of the
// three text encodings) and saved to one as UTF-8.
#include <string>

#include "form/Dialog.h"

namespace kov {

class CEditTextFile : public CDialog {
public:
    enum : int {
        IDC_TEXT = 1961,
        IDC_LOAD_FROM_FILE = 1962,
        IDC_SAVE_TO_FILE = 1963,
    };

    // An empty title keeps "Text Edit". bWithMark: saved files begin with the UTF-8 mark.
    CEditTextFile(std::u16string wszTitle, std::u16string wszText, bool bWithMark);

    // After OK: the edited text.
    const std::u16string& Text() const { return m_wszText; }

    // The file last loaded or saved, where the file dialogs start.
    const std::u16string& LastPath() const { return m_wszLastPath; }
    void SetLastPath(std::u16string wszPath) { m_wszLastPath = std::move(wszPath); }

protected:
    void OnInitialise() override;
    bool OnOk() override;

private:
    // Both file dialogs: any file, starting at the last one.
    SFileDialogOptions FileOptions() const;
    void LoadFromFile();
    void SaveToFile();

    std::u16string m_wszText;
    bool m_bWithMark;
    std::u16string m_wszLastPath;
    CEdit& m_rEdit;
};

} // namespace kov
