#pragma once
// Renders one form of the form model (a page, the log view or a dialog) with Qt widgets.
//
// The widgets are built once from the form's layout description, one per control by its kind.
// Model changes reach the widgets through IFormObserver; the operator's actions go back
// through the controls' User… operations. Widget signals are blocked while the model is being
// shown, so nothing loops; after each operator action the control is shown again from the
// model, which also undoes an action the model refused.
#include <QWidget>

#include <functional>
#include <unordered_map>

#include "form/Form.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;

namespace kov {

class CQtFormView final : public QWidget, public IFormObserver {
public:
    explicit CQtFormView(CForm& rForm, QWidget* pParent = nullptr);
    ~CQtFormView() override;
    CQtFormView(const CQtFormView&) = delete;
    CQtFormView& operator=(const CQtFormView&) = delete;

    CForm& Form() const { return m_rForm; }
    // Stops showing the form; for an owner that destroys the form before this view.
    void Detach();
    // The widget of a control; nullptr for a control of another form.
    QWidget* WidgetOf(const CControl& rControl) const;
    // The widget of the first control declared with the id.
    QWidget* WidgetOf(int iId) const;
    // The label shown beside an edit, list or address field; nullptr when it has none.
    QLabel* SideLabelOf(const CControl& rControl) const;
    // Whether a list or multi-line edit takes the spare height.
    bool FillsHeight() const { return m_bFillsHeight; }

    void SetOnDialogEnded(std::function<void()> fn) { m_fnDialogEnded = std::move(fn); }
    void SetOnTitleChanged(std::function<void(const QString&)> fn) { m_fnTitleChanged = std::move(fn); }
    // The form is being destroyed; the view has let go of it.
    void SetOnFormDestroyed(std::function<void()> fn) { m_fnFormDestroyed = std::move(fn); }

    void OnControlChanged(CControl& rControl, EChange eChange) override;
    void OnFormChanged(CForm& rForm, EFormChange eChange) override;

private:
    struct SBinding {
        CControl* pControl = nullptr;
        QWidget* pWidget = nullptr;
        QLabel* pLabel = nullptr;
    };

    QGridLayout* BuildColumn(const SLayoutNode& node, bool bNested, bool& rbFills);
    QHBoxLayout* BuildRow(const SLayoutNode& node, bool& rbFills);
    QWidget* BuildGroup(const SLayoutNode& node, bool& rbFills);
    QWidget* CreateWidget(CControl& rControl);
    QLabel* CreateSideLabel(CControl& rControl, QWidget* pBuddy);
    void Connect(CControl& rControl, QWidget* pWidget);

    // Runs an operator action, then shows the control from the model again.
    template <class Fn> void User(CControl& rControl, Fn&& fn);

    void Show(const SBinding& binding, EChange eChange);
    void ShowAll(const SBinding& binding);
    void ShowValue(const SBinding& binding);
    void ShowItems(const SBinding& binding);
    void ShowSelection(const SBinding& binding);
    void ShowRange(const SBinding& binding);
    void ShowInserted(const SBinding& binding);

    CForm& m_rForm;
    bool m_bDetached = false;
    std::unordered_map<const CControl*, SBinding> m_bindings;
    bool m_bFillsHeight = false;
    std::function<void()> m_fnDialogEnded;
    std::function<void(const QString&)> m_fnTitleChanged;
    std::function<void()> m_fnFormDestroyed;
};

// Multi-line edits keep "\r\n" line ends in the model; the widget shows plain "\n".
QString MultiLineDisplayText(std::u16string_view wszModel);
std::u16string MultiLineModelText(const QString& qsDisplay);
// Caret positions between the two forms of the same text.
int MultiLineWidgetPos(std::u16string_view wszModel, std::size_t nModelPos);
std::size_t MultiLineModelPos(std::u16string_view wszModel, int iWidgetPos);

} // namespace kov
