#include "cli/CliUi.h"

#include <algorithm>
#include <ostream>

namespace vinculor::cli {

namespace {

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
    // The line is written over: back to its start, and blanks where the
    // previous one was longer (no terminal control codes, which not every
    // console understands).
    const std::string line = "[" + std::to_string(done + 1) + "/" + std::to_string(total) + "] " + step;
    *progress_ << '\r' << line;
    if (line.size() < progressWidth_) {
        *progress_ << std::string(progressWidth_ - line.size(), ' ');
    }
    *progress_ << std::flush;
    progressWidth_ = std::max(progressWidth_, line.size());
}

void CliUi::endProgress() {
    if (progressWidth_ > 0) {
        *progress_ << '\r' << std::string(progressWidth_, ' ') << '\r' << std::flush;
        progressWidth_ = 0;
    }
}

} // namespace vinculor::cli
