#pragma once

#include "run/HelpTopics.h"

#include <QString>
#include <functional>
#include <memory>

class QUrl;
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
};

// The help's HTML pages, each opened by `open` (the user's browser unless
// told otherwise) at the page of the context asked for. The browser keeps
// its own window: a second request goes to it rather than to a new viewer.
class BrowserHelpViewer : public HelpViewer {
public:
    using Opener = std::function<bool(const QUrl&)>;
    explicit BrowserHelpViewer(QString pagesDirectory, Opener open = {});

    bool showContents(const QString& helpFile) override;
    bool showTopic(const QString& helpFile, int context) override;

private:
    bool openPage(const std::string& page);

    QString pagesDirectory_;
    Opener open_;
};

// HTML Help on Windows, with the HTML pages in the browser where it fails;
// elsewhere the HTML pages in the browser (viewers of compiled help on other
// desktops know no context numbers).
std::unique_ptr<HelpViewer> makeSystemHelpViewer(QWidget* owner);

} // namespace vinculor
