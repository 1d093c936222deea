#pragma once
// The toolbar's button images and the program icon, drawn here rather than
// loaded, so they stay sharp at any device pixel ratio.

#include <QIcon>

#include "shell/command_table.h"

namespace corvella {

// A 16 by 15 image for the button; a null icon for ToolIcon::None.
QIcon ToolbarIcon(ToolIcon icon);

// The program's icon: a small scoreboard.
QIcon ProgramIcon();

}  // namespace corvella
