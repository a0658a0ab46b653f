#pragma once

#include "run/RunUi.h"

#include <QObject>

namespace vinculor {

class TMForm;

// The user interface a run gets from the window. The run works on a thread of
// its own; every call is carried to the window's thread and waits there for
// its answer, so the dialogs stay the window's and the window stays painted
// meanwhile. The dialogs are the window's; the hourglass, the progress and the
// closing go to the window too, and on to the dialogs.
class WindowRunUi : public RunUi {
public:
    WindowRunUi(TMForm& window, RunUi& dialogs);

    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details = {}) override;
    void showError(const std::string& text) override;
    void showReport(const std::string& text, const RunSummary& summary) override;
    void setHourglass(bool on) override;
    void closeWindow() override;
    void progress(const std::string& step, std::size_t done, std::size_t total) override;

private:
    // Runs `work` on the window's thread and returns when it is done.
    template <typename Work> void onWindowThread(Work work);

    TMForm& window_;
    RunUi& dialogs_;
};

} // namespace vinculor
