#pragma once

#include "run/RunState.h"
#include "run/RunUi.h"
#include "window/WindowController.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QThread;

namespace vinculor {

class GradientPanel;
class HelpViewer;

// The program's one window. It offers "Exportar" on the left and "Importar"
// on the right. Started by the timetabling program with two parameters, the
// first "exportar" or "importar", it shows only that side, runs it as it is
// shown, closes itself at the run's end and records the outcome in
// Horavia.ini beside the program.
//
// What the window does is the WindowController's, shared with the Windows
// window; this class draws it with Qt. A run works on a thread of its own, so
// that the window stays painted; its dialogs and messages are the window's (a
// RunUi given to the window, Qt's dialogs by default) and show on the window's
// thread. One run at a time: the buttons do nothing while one is under way,
// and a close asked for meanwhile waits for the run's end. A run that lasts
// more than half a second shows its progress on its side of the window; in
// command-line mode the window appears for it.
class TMForm : public QWidget {
    Q_OBJECT

public:
    // What the window works with. The defaults are the program's own; tests
    // replace the dialogs, the help viewer, the settings file and the runs.
    struct Setup {
        QStringList parameters;             // the command line without the program's path
        RunUi* dialogs = nullptr;           // file dialog and message boxes; Qt's (QtRunUi) when null
        HelpViewer* help = nullptr;         // the platform's viewer when null
        std::filesystem::path settingsFile; // Horavia.ini beside the executable when empty
        RunFunction exportRun;              // exporting::runExport when empty
        RunFunction importRun;              // importing::runImport when empty
        QString userSettingsFile; // the user's own settings (QtRunUi); the platform's place when empty
    };

    explicit TMForm(Setup setup);
    ~TMForm() override;

    const RunState& state() const { return controller_.state(); }
    const std::filesystem::path& settingsFile() const { return controller_.settingsFile(); }
    // A run is under way (from its start to the end of its last message).
    bool running() const { return running_; }

    // What the run's user interface does on the window itself (WindowRunUi
    // brings the run's calls here): the hourglass, closing at the run's end
    // and the progress. Each is passed on to the dialogs too.
    void setHourglass(bool on);
    void closeWindow();
    void progress(const std::string& step, std::size_t done, std::size_t total);

public slots:
    void BExportarClick();
    void BImportarClick();
    void Button1Click();

signals:
    // The window has closed (after the outcome was recorded, where it is).
    void closed();
    // A run has ended, after its last message (and after the window closed, where it did).
    void runFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    // False when the outcome could not be recorded: the window then stays open.
    bool FormClose();

    void buildControls();
    // Runs `work` (the controller's run) on the run's thread.
    void startRun(std::function<void(RunUi&)> work, Direction direction);
    void runEnded();
    void showProgressBar();
    void hideProgress();
    // Puts on the screen a window that a run at show kept off it.
    void appear();
    void showHelpTopic();
    void tellWhereTheHelpIs();

    WindowController controller_;
    std::unique_ptr<RunUi> ownDialogs_;
    RunUi* dialogs_;
    HelpViewer* help_;
    std::unique_ptr<HelpViewer> systemHelp_;

    bool shownOnce_ = false;
    bool hourglassOn_ = false;

    // The run under way.
    bool running_ = false;
    bool closeRequested_ = false;
    std::unique_ptr<QThread> worker_;
    std::unique_ptr<RunUi> runUi_;
    std::string runError_; // the message of an exception the controller did not take
    std::string step_;     // the step last reported
    std::size_t stepDone_ = 0;
    std::size_t stepTotal_ = 0;
    QElapsedTimer runClock_;
    QTimer progressDelay_;
    QProgressBar* activeProgress_ = nullptr;

    GradientPanel* Draw3D1 = nullptr;
    GradientPanel* Draw3D2 = nullptr;
    GradientPanel* Draw3D3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* BExportar = nullptr;
    QPushButton* BImportar = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BClose = nullptr;
    QListWidget* ListBoxPlanti = nullptr;
    QProgressBar* ProgressExportar = nullptr;
    QProgressBar* ProgressImportar = nullptr;
};

} // namespace vinculor
