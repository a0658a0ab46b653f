#pragma once

#include "base/Error.h"

#include <filesystem>
#include <string>

namespace vinculor {

// The help's page of messages, in the pages beside the program.
inline constexpr char kMessagesHelpPage[] = "mensajes.html";

// The second lines that follow a run's fixed messages: where the fault lies
// and what to do. Spanish, for the user; no line ends with a line break.

// After "No existe archivo": the path looked at (empty when none was chosen).
std::string missingExportInputDetails(const std::string& file);

// After "No existe archivo XML o Solución.": which of the two is missing and
// the path looked at; where SOLUC is missing, whether the Horavia directory
// itself is.
std::string missingImportInputDetails(const std::string& file, bool fileFound,
                                      const std::filesystem::path& horaviaDir);

// After an error's own message: the step the run was in (empty when it had
// not reached one) and what to do; what the error's kind says of the tables.
std::string errorDetails(const std::string& step, ErrorKind kind = ErrorKind::Other);

} // namespace vinculor
