#pragma once

#include "run/RunUi.h"

#include <QString>

class QWidget;

namespace vinculor {

// The run's user interface made of Qt's dialogs: the file-open dialog, message
// boxes and the run's report, each modal to `owner`. Used on the GUI thread;
// the window brings every call there. The hourglass, the progress and the
// closing belong to the window, so they do nothing here.
class QtRunUi : public RunUi {
public:
    // The file dialog starts in the folder of the file last chosen, remembered
    // in the user's own settings (`settingsFile`, or the platform's place for
    // them when empty), else in the user's documents folder (or home, where
    // there is none).
    explicit QtRunUi(QWidget* owner, QString settingsFile = {});

    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details = {}) override;
    void showError(const std::string& text) override;
    void showReport(const std::string& text, const RunSummary& summary) override;
    void setHourglass(bool) override {}
    void closeWindow() override {}

    // The folder the file dialog starts in.
    QString startFolder() const;

private:
    QWidget* owner_;
    QString settingsFile_;
};

} // namespace vinculor
