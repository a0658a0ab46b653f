#pragma once

#include <QIcon>

namespace vinculor::glyphs {

// The green check mark of an "OK" button.
QIcon checkMark();
// The open door of a button that closes the window.
QIcon openDoor();

} // namespace vinculor::glyphs
