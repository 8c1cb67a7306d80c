#include "ui/qt/UpgradeWindow.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QStyle>

#include "ui/qt/FormView.h"
#include "upgrade/UpgradeProgressForm.h"

namespace kov {

namespace {

// The window's width; its height is what the three rows need.
constexpr int kWindowWidth = 400;

// Paints a label's text shortened in the middle to the label's width. The label keeps its
// whole text (and so its accessible name); only the picture is shortened.
class CMiddleElision final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override
    {
        auto* pLabel = qobject_cast<QLabel*>(pObject);
        if (pLabel == nullptr || pEvent->type() != QEvent::Paint) {
            return false;
        }
        QPainter painter(pLabel);
        const QRect rect = pLabel->contentsRect();
        const QString qsShown =
            pLabel->fontMetrics().elidedText(pLabel->text(), Qt::ElideMiddle, rect.width());
        pLabel->style()->drawItemText(&painter, rect, int(pLabel->alignment()), pLabel->palette(),
                                      pLabel->isEnabled(), qsShown, QPalette::WindowText);
        return true;
    }
};

} // namespace

void ShapeUpgradeWindow(QWidget& rWindow, CQtFormView& rView)
{
    // A caption and no close button: the run ends by itself or by Cancel.
    rWindow.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* pGrid = qobject_cast<QGridLayout*>(rView.layout());
    if (pGrid != nullptr) {
        // The spare width goes to the bar instead of an empty column beside it.
        pGrid->setColumnStretch(2, 0);
        pGrid->setColumnStretch(0, 1);
    }
    if (auto* pStatus = qobject_cast<QLabel*>(rView.WidgetOf(CUpgradeProgressForm::IDC_STATUS))) {
        pStatus->setAlignment(Qt::AlignCenter);
        // A long status must not widen the window: the line takes the width it is given.
        pStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        pStatus->setMinimumHeight(pStatus->fontMetrics().lineSpacing() * 2);
        pStatus->installEventFilter(new CMiddleElision(pStatus));
        if (pGrid != nullptr) {
            pGrid->setAlignment(pStatus, Qt::Alignment());
        }
    }
    if (auto* pCancel = qobject_cast<QAbstractButton*>(rView.WidgetOf(CUpgradeProgressForm::IDC_CANCEL))) {
        pCancel->setFocus();
        // Escape cancels, as it would in a dialog.
        auto* pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), &rWindow);
        QObject::connect(pEscape, &QShortcut::activated, pCancel, [pCancel] {
            if (pCancel->isEnabled()) {
                pCancel->click();
            }
        });
    }
    rWindow.setFixedSize(kWindowWidth, rWindow.sizeHint().height());
}

} // namespace kov
