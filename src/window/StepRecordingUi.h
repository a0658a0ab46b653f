#pragma once

#include "run/RunUi.h"

#include <string>

namespace vinculor {

// Passes everything on to the window's own RunUi and keeps the last step the
// run reported, for the second line of an error that stops it.
class StepRecordingUi : public RunUi {
public:
    explicit StepRecordingUi(RunUi& window) : window_(window) {}

    const std::string& lastStep() const { return step_; }

    std::optional<std::string> chooseXmlFile() override { return window_.chooseXmlFile(); }
    void showMessage(const std::string& text, const std::string& details) override {
        window_.showMessage(text, details);
    }
    void showError(const std::string& text) override { window_.showError(text); }
    void showReport(const std::string& text, const RunSummary& summary) override {
        window_.showReport(text, summary);
    }
    void progress(const std::string& step, std::size_t done, std::size_t total) override {
        step_ = step;
        window_.progress(step, done, total);
    }
    void setHourglass(bool on) override { window_.setHourglass(on); }
    void closeWindow() override { window_.closeWindow(); }

private:
    RunUi& window_;
    std::string step_;
};

} // namespace vinculor
