#pragma once

#include "window/HelpTopics.h"

#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QProcess;
class QWidget;

namespace vinculor {

// The application's help file, as main() and the help button set it.
void setApplicationHelpFile(const QString& fileName);
QString applicationHelpFile();
// The file to hand to the viewer: a name without a directory is taken from
// the program's own directory.
QString resolveHelpFile(const QString& fileName);
// The folder of the help's HTML pages beside the program.
QString helpPagesDirectory();

// Where the window sends its help requests. Each answers false when nothing
// could show the help; the window then tells the user where it is.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual bool showContents(const QString& helpFile) = 0;
    virtual bool showTopic(const QString& helpFile, int context) = 0;

    // Called when a request that was answered true fails afterwards (the
    // desktop's launcher found no browser, say).
    void setLateFailureHandler(std::function<void()> handler) { lateFailure_ = std::move(handler); }

protected:
    void failedLate() const {
        if (lateFailure_) {
            lateFailure_();
        }
    }

private:
    std::function<void()> lateFailure_;
};

// The help's HTML pages, each opened by `open` (the user's browser unless
// told otherwise) at the page of the context asked for. The browser keeps
// its own window: a second request goes to it rather than to a new viewer.
class BrowserHelpViewer : public HelpViewer {
public:
    // Opens the page; false when that fails at once. A launcher that fails
    // only later calls `failedLater` then.
    using Opener = std::function<bool(const QUrl& page, const std::function<void()>& failedLater)>;
    explicit BrowserHelpViewer(QString pagesDirectory, Opener open = {});

    bool showContents(const QString& helpFile) override;
    bool showTopic(const QString& helpFile, int context) override;

private:
    bool openPage(const std::string& page);

    QString pagesDirectory_;
    Opener open_;
};

// Hands a page to the desktop's launcher (xdg-open) and watches it: the
// launcher's exit status tells whether a browser took the page, which Qt's own
// way does not. While the launcher of a page still runs (the browser it
// started, in the foreground), a request for the same page starts no second
// browser: the one already open shows it.
class DesktopLauncher {
public:
    explicit DesktopLauncher(QString program = QStringLiteral("xdg-open"));
    // False when the launcher cannot start; `failedLater` when it gives up.
    bool open(const QUrl& page, const std::function<void()>& failedLater);

private:
    QString program_;
    QPointer<QProcess> running_; // the launcher last started, while it runs
    QUrl runningPage_;
};

// HTML Help on Windows, with the HTML pages in the browser where it fails;
// elsewhere the HTML pages in the browser (viewers of compiled help on other
// desktops know no context numbers).
std::unique_ptr<HelpViewer> makeSystemHelpViewer(QWidget* owner);

} // namespace vinculor
