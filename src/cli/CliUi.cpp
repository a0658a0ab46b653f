#include "cli/CliUi.h"

#include <ostream>

namespace vinculor::cli {

CliUi::CliUi(std::string file, std::ostream& messages) : file_(std::move(file)), messages_(messages) {}

std::optional<std::string> CliUi::chooseXmlFile() {
    return file_;
}

void CliUi::showMessage(const std::string& text, const std::string& /*details*/) {
    // The run's own summary is printed by the caller, in the format asked for.
    // Messages written for a message box break lines with CR LF.
    for (const char c : text) {
        if (c != '\r') {
            messages_ << c;
        }
    }
    messages_ << '\n';
}

void CliUi::showError(const std::string& text) {
    messages_ << text << "\n";
}

} // namespace vinculor::cli
