#pragma once

#include "run/RunUi.h"

#include <iosfwd>
#include <string>

namespace vinculor::cli {

// A run's user on the command line: the file comes from the arguments,
// messages go to standard output (to standard error when the output is JSON).
class CliUi : public RunUi {
public:
    // `progress`, when given, receives the run's progress on one line that is
    // rewritten in place: a terminal's standard error.
    CliUi(std::string file, std::ostream& messages, std::ostream* progress = nullptr);

    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details) override;
    void showError(const std::string& text) override;
    // The summary is printed by the caller, in the format asked for.
    void showReport(const std::string& text, const RunSummary& summary) override;
    void setHourglass(bool) override {}
    void closeWindow() override {}
    void progress(const std::string& step, std::size_t done, std::size_t total) override;

    // Clears the progress line, when one is shown.
    void endProgress();
    // The step last reported, empty before the first.
    const std::string& lastStep() const { return lastStep_; }

private:
    std::string file_;
    std::ostream& messages_;
    std::ostream* progress_;
    std::string lastStep_;
    std::size_t progressWidth_ = 0; // of the longest progress line shown; 0 when none is
};

} // namespace vinculor::cli
