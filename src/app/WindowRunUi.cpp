#include "WindowRunUi.h"

#include "MainForm.h"

#include <QMetaObject>
#include <QThread>

namespace vinculor {

WindowRunUi::WindowRunUi(TMForm& window, RunUi& dialogs) : window_(window), dialogs_(dialogs) {}

template <typename Work> void WindowRunUi::onWindowThread(Work work) {
    if (QThread::currentThread() == window_.thread()) {
        work();
    } else {
        QMetaObject::invokeMethod(&window_, work, Qt::BlockingQueuedConnection);
    }
}

std::optional<std::string> WindowRunUi::chooseXmlFile() {
    std::optional<std::string> chosen;
    onWindowThread([this, &chosen] { chosen = dialogs_.chooseXmlFile(); });
    return chosen;
}

void WindowRunUi::showMessage(const std::string& text, const std::string& details) {
    onWindowThread([this, &text, &details] { dialogs_.showMessage(text, details); });
}

void WindowRunUi::showError(const std::string& text) {
    onWindowThread([this, &text] { dialogs_.showError(text); });
}

void WindowRunUi::showReport(const std::string& text, const RunSummary& summary) {
    onWindowThread([this, &text, &summary] { dialogs_.showReport(text, summary); });
}

void WindowRunUi::setHourglass(bool on) {
    onWindowThread([this, on] { window_.setHourglass(on); });
}

void WindowRunUi::closeWindow() {
    onWindowThread([this] { window_.closeWindow(); });
}

void WindowRunUi::progress(const std::string& step, std::size_t done, std::size_t total) {
    onWindowThread([this, &step, done, total] { window_.progress(step, done, total); });
}

} // namespace vinculor
