#pragma once
// A form: the controls of one page or dialog in declaration order, their layout, tool tips,
// and the bridge to the host for message boxes, dialogs and file dialogs.
//
// A page or dialog declares its controls in its constructor with the Add… operations; each
// control is appended to the innermost open layout container:
//   - the form itself and group boxes stack their items vertically; an item whose caption is a
//     side label (edits, lists, address fields, progress bars) is shown as "label  control";
//   - BeginRow() stacks items horizontally (a row of buttons, a number followed by "minutes.");
//   - BeginColumn() stacks vertically inside a row (buttons beside a list);
//   - AddStretch() takes up the spare room; End() closes the innermost container.
// A renderer walks Layout() and creates one widget per control by its kind, then keeps the
// widgets in step through IFormObserver and reports the operator's actions with the User…
// operations of the controls.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "form/Controls.h"
#include "form/FormHost.h"

namespace kov {

class CForm;

// One row of a page's or dialog's tool tip table.
struct SToolTip {
    int iControlId;
    const char16_t* wszText;
};

enum class EFormChange {
    Title,
    MessagePosted, // a page message waits: the renderer calls CPage::DispatchPostedMessages later
    DialogEnded,   // the dialog's result is set: the renderer closes its window
    Destroyed,     // the form is going away: the renderer lets go of it and closes its window
};

// Implemented by the renderer; notified on every change, whatever its origin. It must not change
// the form from inside these calls.
class IFormObserver {
public:
    virtual ~IFormObserver() = default;
    virtual void OnControlChanged(CControl& rControl, EChange eChange) = 0;
    virtual void OnFormChanged(CForm& rForm, EFormChange eChange) = 0;
};

enum class ELayout { Column, Row, Group, Control, Stretch };

struct SLayoutNode {
    ELayout eKind = ELayout::Column;
    CControl* pControl = nullptr; // Control, and the group box of Group
    std::vector<SLayoutNode> vChildren;
};

class CForm {
public:
    explicit CForm(std::u16string wszTitle = {});
    virtual ~CForm();
    CForm(const CForm&) = delete;
    CForm& operator=(const CForm&) = delete;

    const std::u16string& Title() const { return m_wszTitle; }
    void SetTitle(std::u16string wszTitle);

    // Declaration. Ids need not be unique (labels nobody refers to may all use 0); lookup finds
    // the first control declared with an id.
    CLabel& AddLabel(int iId, std::u16string wszText);
    CEdit& AddEdit(int iId, std::u16string wszLabel);
    CComboEdit& AddComboEdit(int iId, std::u16string wszLabel);
    CEdit& AddNumberEdit(int iId, std::u16string wszLabel);
    CEdit& AddPasswordEdit(int iId, std::u16string wszLabel);
    CEdit& AddMultiLineEdit(int iId, std::u16string wszLabel);
    CIpAddressEdit& AddIpAddress(int iId, std::u16string wszLabel);
    CCheckBox& AddCheckBox(int iId, std::u16string wszText);
    CRadioButton& AddRadioButton(int iId, std::u16string wszText, int iGroup);
    CDropDownList& AddDropDownList(int iId, std::u16string wszLabel);
    CListView& AddListView(int iId, std::u16string wszLabel = {});
    CButton& AddButton(int iId, std::u16string wszText);
    CProgressBar& AddProgressBar(int iId, std::u16string wszLabel);
    CGroupBox& BeginGroup(int iId, std::u16string wszCaption);
    void BeginRow();
    void BeginColumn();
    void AddStretch();
    void End();
    const SLayoutNode& Layout() const { return m_layout; }

    // Lookup; nullptr for an unknown id or a control of another type.
    CControl* FindControl(int iId) const;
    template <class T> T* Find(int iId) const { return dynamic_cast<T*>(FindControl(iId)); }
    const std::vector<std::unique_ptr<CControl>>& Controls() const { return m_vControls; }

    // Every control except labels and group boxes follows the flag.
    void EnableAll(bool bEnable);
    // The listed controls follow the flag; unknown ids are skipped.
    void EnableControls(std::initializer_list<int> ids, bool bEnable);
    // Attaches each row's text to its control; rows naming no control are skipped. Returns how
    // many were attached.
    int AttachToolTips(std::span<const SToolTip> tips);
    // The form's tool tip table, one row per control that has a tool tip.
    virtual std::span<const SToolTip> ToolTips() const { return {}; }

    // Runs OnInitialise, then attaches ToolTips(). Pages are initialised once when they are created;
    // dialogs each time they open.
    void Initialise();

    // The operator's actions by control id, as a renderer or a test performs them. False for an
    // unknown id, a control that cannot take the action, or a refused action.
    bool Type(int iId, std::u16string wszText); // edits
    bool Click(int iId);                        // buttons, check boxes, radio buttons
    bool Choose(int iId, int iIndex);           // drop-down lists, list views, combo edits
    bool DoubleClick(int iId, int iRow);        // list views
    bool TypeAddress(int iId, std::optional<std::uint32_t> dwAddress); // address fields
    // Reading by id; neutral values for an unknown id.
    std::u16string TextOf(int iId) const; // edit text, address text, or caption
    bool IsChecked(int iId) const;        // check boxes and radio buttons
    int SelectionOf(int iId) const;       // drop-down lists and list views; -1 otherwise
    bool IsEnabled(int iId) const;

    // Of a radio button group: the id of the checked button, or -1.
    int CheckedRadio(int iGroup) const;
    bool CheckRadio(int iGroup, int iId); // silent; false when iId is not a button of the group

    // Whether the operator can act on the form now (a dialog only while it is open).
    virtual bool AcceptsInput() const { return true; }

    void SetHost(IFormHost* pHost) { m_pHost = pHost; }
    IFormHost* Host() const { return m_pHost; }
    // Through the host; without one, nothing is shown and the answers are the negative ones.
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                          EMsgButtons eButtons = EMsgButtons::Ok, EMsgIcon eIcon = EMsgIcon::None);
    EDlgResult RunDialog(CDialog& rDialog); // the dialog gets this form's host
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options);
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options);
    // The form in a modeless window of its own, through the host (nothing without one).
    void ShowWindow();
    void HideWindow();
    bool IsWindowShown() const;
    // The operator closed the form's own window; by default it is hidden and the form lives on.
    virtual void OnWindowClose() { HideWindow(); }

    void SetObserver(IFormObserver* pObserver) { m_pObserver = pObserver; }
    IFormObserver* Observer() const { return m_pObserver; }

protected:
    virtual void OnInitialise() {}
    void NotifyForm(EFormChange eChange);

private:
    friend class CControl;
    friend class CRadioButton;
    template <class T, class... Args> T& Add(ELayout eLayout, Args&&... args);
    void NotifyControl(CControl& rControl, EChange eChange);
    void UncheckGroup(int iGroup, const CRadioButton* pExcept);

    std::u16string m_wszTitle;
    std::vector<std::unique_ptr<CControl>> m_vControls;
    SLayoutNode m_layout;
    std::vector<SLayoutNode*> m_vOpen; // open containers, innermost last
    IFormHost* m_pHost = nullptr;
    IFormObserver* m_pObserver = nullptr;
};

} // namespace kov
