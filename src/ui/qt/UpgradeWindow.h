#pragma once
// The upgrade's progress window as the operator sees it: a small window of fixed size without a
// close button, the status line centred above a progress bar that spans the window, Cancel
// centred below them. A status too long for the line (an address, a path) is shortened in its
// middle rather than widening the window.
#include <QWidget>

namespace kov {

class CQtFormView;

// Shapes the modeless window of a CUpgradeProgressForm; call before it is first shown.
void ShapeUpgradeWindow(QWidget& rWindow, CQtFormView& rView);

} // namespace kov
