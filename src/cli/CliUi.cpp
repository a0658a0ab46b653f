#include "cli/CliUi.h"

#include <ostream>

namespace vinculor::cli {

namespace {

// Carriage return and "erase to the end of the line".
constexpr char kRewriteLine[] = "\r\x1b[K";

void writeWithoutCarriageReturns(std::ostream& out, const std::string& text) {
    // Messages written for a message box break lines with CR LF.
    for (const char c : text) {
        if (c != '\r') {
            out << c;
        }
    }
    out << '\n';
}

} // namespace

CliUi::CliUi(std::string file, std::ostream& messages, std::ostream* progress)
    : file_(std::move(file)), messages_(messages), progress_(progress) {}

std::optional<std::string> CliUi::chooseXmlFile() {
    return file_;
}

void CliUi::showMessage(const std::string& text, const std::string& details) {
    endProgress();
    writeWithoutCarriageReturns(messages_, text);
    if (!details.empty()) {
        writeWithoutCarriageReturns(messages_, details);
    }
}

void CliUi::showError(const std::string& text) {
    endProgress();
    messages_ << text << "\n";
}

void CliUi::showReport(const std::string& text, const RunSummary& /*summary*/) {
    showMessage(text, {});
}

void CliUi::progress(const std::string& step, std::size_t done, std::size_t total) {
    lastStep_ = step;
    if (progress_ == nullptr) {
        return;
    }
    *progress_ << kRewriteLine << "[" << done + 1 << "/" << total << "] " << step << std::flush;
    progressShown_ = true;
}

void CliUi::endProgress() {
    if (progressShown_) {
        *progress_ << kRewriteLine << std::flush;
        progressShown_ = false;
    }
}

} // namespace vinculor::cli
