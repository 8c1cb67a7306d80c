#pragma once
// IFormHost with real windows: form dialogs as modal QDialogs, message boxes as QMessageBox,
// file dialogs as QFileDialog.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <unordered_map>
#include <vector>

#include "form/Dialog.h"
#include "form/FormHost.h"

class QDialog;

namespace kov {

class CQtFormView;

class CQtFormHost : public IFormHost {
public:
    explicit CQtFormHost(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    // Its modeless windows go with it.
    ~CQtFormHost() override;
    CQtFormHost(const CQtFormHost&) = delete;
    CQtFormHost& operator=(const CQtFormHost&) = delete;

    EDlgResult RunModal(CDialog& rDialog) override;
    // fnDecoration makes a widget shown to the left of the dialog's controls (a logo).
    EDlgResult RunModal(CDialog& rDialog, const std::function<QWidget*()>& fnDecoration);
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override;
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options) override;
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options) override;
    // A top-level window owned by the parent, kept until the form goes away.
    void ShowModeless(CForm& rForm) override;
    void HideModeless(CForm& rForm) override;
    bool IsModelessShown(const CForm& rForm) const override;
    bool SetClipboardText(std::u16string_view wszText) override;
    // The window showing the form, or nullptr.
    QWidget* ModelessWindowOf(const CForm& rForm) const;
    // Called for each modeless window when it is made, before it is first shown, so that a
    // window with a layout of its own (the upgrade's progress window) can be shaped.
    using FnShapeModeless = std::function<void(CForm& rForm, QWidget& rWindow, CQtFormView& rView)>;
    void SetModelessShaper(FnShapeModeless fn) { m_fnShapeModeless = std::move(fn); }

    // Dialogs, message boxes and file dialogs this host shows now, innermost last.
    std::size_t OpenModalCount() const;
    // Cancels every one of them, innermost first, as Escape would; their callers then go on
    // with the negative answer.
    void CancelOpenModals();

private:
    // The window a new modal window belongs to: the innermost one open, else the parent.
    QWidget* OwnerWindow() const;
    std::optional<std::u16string> FileDialog(bool bSave, const SFileDialogOptions& options);
    int ExecModal(QDialog& rDialog);

    QPointer<QWidget> m_pParent;
    std::vector<QPointer<QDialog>> m_vOpen;
    std::unordered_map<const CForm*, QPointer<QWidget>> m_modeless;
    FnShapeModeless m_fnShapeModeless;
};

// "Description|*.a;*.b|..." as Qt name filters. Each keeps its description as the text to
// show (shown alone, with QFileDialog::HideNameFilterDetails) and gets its patterns appended
// in Qt's form; "*.*" becomes "*" so that names without a dot are listed too.
QStringList QtNameFilters(std::u16string_view wszFilter);

} // namespace kov
