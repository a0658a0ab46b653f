#pragma once

#include <QIcon>

namespace vinculor::glyphs {

// The green check mark of an "OK" button.
QIcon checkMark();
// The open door of a button that closes the window.
QIcon openDoor();
// The program's own icon: a week's timetable grid with the arrows of the two directions.
QIcon windowIcon();

} // namespace vinculor::glyphs
