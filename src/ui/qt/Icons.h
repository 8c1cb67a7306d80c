#pragma once
// The program's own icons, drawn at start-up: one per subject of the tree, the tool bar
// buttons, the tree pane's close button and the application icon.
#include <QIcon>

#include <cstdint>

namespace kov {

// 16×16 (and twice that for dense screens); an empty icon for ids without a subject.
QIcon SubjectIcon(int32_t iSubjectId);
// Tool bar buttons by command id; an empty icon for commands without a button.
QIcon CommandIcon(uint32_t dwCommandId);
QIcon PaneCloseIcon();
// The application icon at 16 to 256 pixels (the same drawing as packaging/linux's SVG).
QIcon ApplicationIcon();

} // namespace kov
