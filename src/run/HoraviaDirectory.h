#pragma once

#include <filesystem>

namespace vinculor {

// The directory where the timetabling program keeps its working tables: HTEMP
// at the root of the current drive (on Windows the drive of the current
// directory, elsewhere "/HTEMP"). The environment variable VINCULOR_HTEMP,
// when set and not empty, names it instead.
std::filesystem::path horaviaDirectory();

} // namespace vinculor
