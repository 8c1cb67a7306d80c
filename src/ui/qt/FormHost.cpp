#include "ui/qt/FormHost.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/qt/FormView.h"
#include "ui/qt/QtText.h"

namespace kov {

namespace {

// The window of a form dialog: OK and Cancel (Enter, Escape, the close button) go to the
// model, which closes the window when the dialog really ends.
class CQtModalDialog final : public QDialog {
public:
    CQtModalDialog(CDialog& rDialog, QWidget* pParent) : QDialog(pParent), m_rDialog(rDialog) {}

    void accept() override { m_rDialog.PressOk(); }
    void reject() override { m_rDialog.PressCancel(); }
    void Finish() { QDialog::done(m_rDialog.Result() == EDlgResult::Ok ? Accepted : Rejected); }

private:
    CDialog& m_rDialog;
};

// The window of a modeless form. Its close button asks the form; when the form goes away the
// window goes with it.
class CQtModelessWindow final : public QWidget {
public:
    CQtModelessWindow(CForm& rForm, QWidget* pParent, std::function<void()> fnFormGone)
        : QWidget(pParent, Qt::Window), m_pView(new CQtFormView(rForm))
    {
        setWindowTitle(ToQString(rForm.Title()));
        auto* pLayout = new QVBoxLayout(this);
        pLayout->addWidget(m_pView);
        m_pView->SetOnTitleChanged([this](const QString& qsTitle) { setWindowTitle(qsTitle); });
        m_pView->SetOnFormDestroyed([this, fnFormGone = std::move(fnFormGone)] {
            m_bFormGone = true;
            hide();
            deleteLater();
            fnFormGone();
        });
    }

    CQtFormView& View() const { return *m_pView; }

protected:
    void closeEvent(QCloseEvent* pEvent) override
    {
        pEvent->ignore();
        if (!m_bFormGone) {
            m_pView->Form().OnWindowClose();
        }
    }

private:
    CQtFormView* m_pView;
    bool m_bFormGone = false;
};

QMessageBox::Icon QtIcon(EMsgIcon eIcon)
{
    switch (eIcon) {
    case EMsgIcon::Information: return QMessageBox::Information;
    case EMsgIcon::Warning: return QMessageBox::Warning;
    case EMsgIcon::Error: return QMessageBox::Critical;
    case EMsgIcon::Question: return QMessageBox::Question;
    case EMsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A message box is as wide as its text, but its caption is often what tells which entry it
// is about ("Delete Backup Recorder"): it is made wide enough for the caption in a window
// manager's title font (bold, somewhat larger) beside the icon and the title bar's buttons.
void ReserveCaptionWidth(QMessageBox& rBox)
{
    auto* pGrid = qobject_cast<QGridLayout*>(rBox.layout());
    if (pGrid == nullptr) {
        return;
    }
    QFont titleFont = rBox.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    const QFontMetrics metrics(titleFont);
    const int iWidth = metrics.horizontalAdvance(rBox.windowTitle()) + 8 * metrics.height();
    pGrid->addItem(new QSpacerItem(iWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), pGrid->rowCount(), 0,
                   1, std::max(1, pGrid->columnCount()));
}

} // namespace

QStringList QtNameFilters(std::u16string_view wszFilter)
{
    QStringList vFilters;
    for (const SFileFilter& filter : ParseFileFilters(wszFilter)) {
        QStringList vPatterns;
        for (const std::u16string& wszPattern : filter.vPatterns) {
            const QString qsPattern = ToQString(wszPattern).trimmed();
            vPatterns << (qsPattern == QStringLiteral("*.*") ? QStringLiteral("*") : qsPattern);
        }
        vFilters << ToQString(filter.wszDescription).trimmed() + QStringLiteral(" (") + vPatterns.join(u' ') +
                        QStringLiteral(")");
    }
    return vFilters;
}

QWidget* CQtFormHost::OwnerWindow() const
{
    for (auto it = m_vOpen.rbegin(); it != m_vOpen.rend(); ++it) {
        if (*it != nullptr) {
            return *it;
        }
    }
    if (QWidget* pModal = QApplication::activeModalWidget()) {
        return pModal;
    }
    return m_pParent;
}

std::size_t CQtFormHost::OpenModalCount() const
{
    std::size_t nOpen = 0;
    for (const QPointer<QDialog>& pDialog : m_vOpen) {
        nOpen += pDialog != nullptr ? 1 : 0;
    }
    return nOpen;
}

void CQtFormHost::CancelOpenModals()
{
    const std::vector<QPointer<QDialog>> vOpen = m_vOpen;
    for (auto it = vOpen.rbegin(); it != vOpen.rend(); ++it) {
        if (*it != nullptr && (*it)->isVisible()) {
            (*it)->reject();
        }
    }
}

int CQtFormHost::ExecModal(QDialog& rDialog)
{
    m_vOpen.emplace_back(&rDialog);
    const int iResult = rDialog.exec();
    std::erase_if(m_vOpen, [&rDialog](const QPointer<QDialog>& p) { return p == nullptr || p == &rDialog; });
    return iResult;
}

EDlgResult CQtFormHost::RunModal(CDialog& rDialog)
{
    return RunModal(rDialog, {});
}

EDlgResult CQtFormHost::RunModal(CDialog& rDialog, const std::function<QWidget*()>& fnDecoration)
{
    if (rDialog.Host() == nullptr) {
        rDialog.SetHost(this); // message boxes of its OK check
    }
    rDialog.BeginModal();
    if (!rDialog.IsOpen()) {
        return rDialog.Result(); // ended while it initialised
    }
    CQtModalDialog window(rDialog, OwnerWindow());
    window.setWindowTitle(ToQString(rDialog.Title()));
    auto* pLayout = new QHBoxLayout(&window);
    if (fnDecoration) {
        if (QWidget* pDecoration = fnDecoration()) {
            pLayout->addWidget(pDecoration, 0, Qt::AlignTop);
            pLayout->addSpacing(window.fontMetrics().averageCharWidth() * 2);
        }
    }
    auto* pView = new CQtFormView(rDialog);
    pView->layout()->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(pView, 1);
    pView->SetOnTitleChanged([&window](const QString& qsTitle) { window.setWindowTitle(qsTitle); });
    pView->SetOnDialogEnded([&window] { window.Finish(); });
    if (auto* pOk = qobject_cast<QPushButton*>(pView->WidgetOf(kIdOk))) {
        pOk->setDefault(true);
    }
    ExecModal(window);
    // The loop may also end without the model (the program quitting): the dialog is cancelled.
    if (rDialog.IsOpen()) {
        rDialog.PressCancel();
    }
    if (rDialog.IsOpen()) {
        rDialog.EndDialog(EDlgResult::Cancel);
    }
    return rDialog.Result(); // the view goes with the window and lets go of the dialog
}

CQtFormHost::~CQtFormHost()
{
    const auto windows = std::move(m_modeless);
    for (const auto& [pForm, pWindow] : windows) {
        delete pWindow.data();
    }
}

void CQtFormHost::ShowModeless(CForm& rForm)
{
    if (rForm.Host() == nullptr) {
        rForm.SetHost(this); // its message boxes
    }
    QPointer<QWidget>& pWindow = m_modeless[&rForm];
    if (pWindow == nullptr) {
        const CForm* pForm = &rForm;
        auto* pNew = new CQtModelessWindow(rForm, m_pParent, [this, pForm] { m_modeless.erase(pForm); });
        pWindow = pNew;
        if (m_fnShapeModeless) {
            m_fnShapeModeless(rForm, *pNew, pNew->View());
        }
        // First shown over the middle of the window it belongs to.
        if (m_pParent != nullptr) {
            pNew->adjustSize();
            pNew->move(m_pParent->frameGeometry().center() - pNew->rect().center());
        }
    }
    pWindow->show();
    pWindow->raise();
    pWindow->activateWindow();
}

void CQtFormHost::HideModeless(CForm& rForm)
{
    if (QWidget* pWindow = ModelessWindowOf(rForm)) {
        pWindow->hide();
    }
}

bool CQtFormHost::IsModelessShown(const CForm& rForm) const
{
    const QWidget* pWindow = ModelessWindowOf(rForm);
    return pWindow != nullptr && pWindow->isVisible();
}

bool CQtFormHost::SetClipboardText(std::u16string_view wszText)
{
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (pClipboard == nullptr) {
        return false;
    }
    pClipboard->setText(ToQString(wszText));
    return true;
}

QWidget* CQtFormHost::ModelessWindowOf(const CForm& rForm) const
{
    auto it = m_modeless.find(&rForm);
    return it == m_modeless.end() ? nullptr : it->second.data();
}

EDlgResult CQtFormHost::MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                                   EMsgButtons eButtons, EMsgIcon eIcon)
{
    QMessageBox box(OwnerWindow());
    box.setWindowTitle(ToQString(wszCaption));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(wszText));
    box.setIcon(QtIcon(eIcon));
    QAbstractButton* pPositive = nullptr;
    switch (eButtons) {
    case EMsgButtons::Ok:
        pPositive = box.addButton(QMessageBox::Ok);
        box.setEscapeButton(pPositive);
        break;
    case EMsgButtons::OkCancel:
        pPositive = box.addButton(QMessageBox::Ok);
        box.setEscapeButton(box.addButton(QMessageBox::Cancel));
        break;
    case EMsgButtons::YesNo:
        pPositive = box.addButton(QMessageBox::Yes);
        box.setEscapeButton(box.addButton(QMessageBox::No));
        break;
    }
    box.setDefaultButton(static_cast<QPushButton*>(pPositive));
    ReserveCaptionWidth(box);
    ExecModal(box);
    const bool bPositive = box.clickedButton() == pPositive;
    switch (eButtons) {
    case EMsgButtons::Ok: return EDlgResult::Ok;
    case EMsgButtons::OkCancel: return bPositive ? EDlgResult::Ok : EDlgResult::Cancel;
    case EMsgButtons::YesNo: break;
    }
    return bPositive ? EDlgResult::Yes : EDlgResult::No;
}

std::optional<std::u16string> CQtFormHost::OpenFileDialog(const SFileDialogOptions& options)
{
    return FileDialog(false, options);
}

std::optional<std::u16string> CQtFormHost::SaveFileDialog(const SFileDialogOptions& options)
{
    return FileDialog(true, options);
}

std::optional<std::u16string> CQtFormHost::FileDialog(bool bSave, const SFileDialogOptions& options)
{
    QFileDialog dialog(OwnerWindow(), ToQString(options.wszTitle));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList vFilters = QtNameFilters(options.wszFilter);
    if (!vFilters.isEmpty()) {
        dialog.setNameFilters(vFilters);
    }
    if (!options.wszDefaultExt.empty()) {
        dialog.setDefaultSuffix(ToQString(options.wszDefaultExt));
    }
    if (bSave) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.bPromptOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(options.bMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (!options.wszInitialPath.empty()) {
        const QFileInfo info(ToQString(options.wszInitialPath));
        if (info.isDir()) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    }
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FromQString(dialog.selectedFiles().first());
}

} // namespace kov
