#pragma once

#include "run/RunUi.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vinculor::testing {

// A user who answers the file dialog from a script and remembers what the run showed.
class ScriptedUi : public RunUi {
public:
    // Each call of the dialog takes the next answer; none left means cancel.
    std::deque<std::optional<std::string>> dialogAnswers;

    std::vector<std::string> messages;
    std::vector<std::string> details;
    std::vector<std::string> errors;
    int dialogsShown = 0;
    int closes = 0;
    bool hourglass = false;
    int hourglassChanges = 0;
    // Each progress report as "done/total step".
    std::vector<std::string> progressReports;
    // Called while an error is shown, as if the user read it for a while.
    std::function<void()> whileErrorShown;

    std::optional<std::string> chooseXmlFile() override {
        ++dialogsShown;
        if (dialogAnswers.empty()) {
            return std::nullopt;
        }
        auto answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }
    void showMessage(const std::string& text, const std::string& detail) override {
        messages.push_back(text);
        details.push_back(detail);
    }
    void showError(const std::string& text) override {
        errors.push_back(text);
        if (whileErrorShown) {
            whileErrorShown();
        }
    }
    void setHourglass(bool on) override {
        hourglass = on;
        ++hourglassChanges;
    }
    void closeWindow() override { ++closes; }
    void progress(const std::string& step, std::size_t done, std::size_t total) override {
        progressReports.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + step);
    }
};

} // namespace vinculor::testing
