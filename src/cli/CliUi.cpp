#include "cli/CliUi.h"

#include <ostream>

namespace vinculor::cli {

CliUi::CliUi(std::string file, std::ostream& messages) : file_(std::move(file)), messages_(messages) {}

std::optional<std::string> CliUi::chooseXmlFile() {
    return file_;
}

void CliUi::showMessage(const std::string& text, const std::string& /*details*/) {
    // The run's own summary is printed by the caller, in the format asked for.
    std::string line = text;
    for (std::size_t pos; (pos = line.find("\r\n")) != std::string::npos;) {
        line.replace(pos, 2, "\n");
    }
    messages_ << line << "\n";
}

void CliUi::showError(const std::string& text) {
    messages_ << text << "\n";
}

} // namespace vinculor::cli
