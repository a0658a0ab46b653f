#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace vinculor {

// The help file "EKADE.chm", named without a directory, is looked for beside
// the program.
inline constexpr char kHelpFileName[] = "EKADE.chm";
// The help context number of the window and of every panel and button on it.
inline constexpr int kMainHelpContext = 3;

// The application's help file, as main() and the help button set it.
void setApplicationHelpFile(const QString& fileName);
QString applicationHelpFile();
// The file to hand to the viewer: a name without a directory is taken from
// the program's own directory.
QString resolveHelpFile(const QString& fileName);

// Where the window sends its help requests. The viewer of the platform reports
// a missing file itself.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showContents(const QString& helpFile) = 0;
    virtual void showTopic(const QString& helpFile, int context) = 0;
};

// HTML Help on Windows; elsewhere the desktop's handler for the file, which
// opens it at its start.
std::unique_ptr<HelpViewer> makeSystemHelpViewer(QWidget* owner);

} // namespace vinculor
