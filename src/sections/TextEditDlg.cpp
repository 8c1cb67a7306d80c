#include "sections/TextEditDlg.h"

#include "document/FileAccess.h"

namespace kov {

namespace {

constexpr char16_t kAllFilesFilter[] = u"All Files (*.*)|*.*|";

// The dialog's edit field as the text item the file operations read and fill.
class CEditTextHolder final : public ITextHolder {
public:
    explicit CEditTextHolder(CEdit& rEdit) : m_rEdit(rEdit) {}
    std::u16string GetText() const override { return m_rEdit.Text(); }
    void SetText(const std::u16string& wszText) override { m_rEdit.SetText(wszText); }

private:
    CEdit& m_rEdit;
};

} // namespace

CEditTextFile::CEditTextFile(std::u16string wszTitle, std::u16string wszText, bool bWithMark)
    : CDialog(u"Text Edit"), m_wszText(std::move(wszText)), m_bWithMark(bWithMark),
      m_rEdit(AddMultiLineEdit(IDC_TEXT, {}))
{
    if (!wszTitle.empty())
        SetTitle(std::move(wszTitle));
    m_rEdit.SetAccessibleName(Title());
    BeginRow();
    AddButton(IDC_LOAD_FROM_FILE, u"Load from file").SetOnClick([this] { LoadFromFile(); });
    AddButton(IDC_SAVE_TO_FILE, u"Save to file").SetOnClick([this] { SaveToFile(); });
    AddStretch();
    End();
    AddOkCancel();
}

void CEditTextFile::OnInitialise()
{
    m_rEdit.SetText(m_wszText);
}

bool CEditTextFile::OnOk()
{
    m_wszText = m_rEdit.Text();
    return true;
}

SFileDialogOptions CEditTextFile::FileOptions() const
{
    SFileDialogOptions options;
    options.wszFilter = kAllFilesFilter;
    options.wszInitialPath = m_wszLastPath;
    options.bMustExist = true;
    options.bPromptOverwrite = true;
    return options;
}

void CEditTextFile::LoadFromFile()
{
    const std::optional<std::u16string> oPath = OpenFileDialog(FileOptions());
    if (!oPath)
        return;
    m_wszLastPath = *oPath;
    // A file that is not readable text leaves the field as it was, without a message.
    CEditTextHolder item(m_rEdit);
    LoadTextFileIntoItem(&item, *oPath);
}

void CEditTextFile::SaveToFile()
{
    const std::optional<std::u16string> oPath = SaveFileDialog(FileOptions());
    if (!oPath)
        return;
    m_wszLastPath = *oPath;
    const CEditTextHolder item(m_rEdit);
    // The operator would otherwise believe the text is on disk.
    if (!SaveItemIntoFile(&item, *oPath, m_bWithMark))
        MessageBox(u"The text could not be saved to the file:\n" + *oPath, Title(), EMsgButtons::Ok,
                   EMsgIcon::Error);
}

} // namespace kov
