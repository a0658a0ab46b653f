#pragma once

#include "run/RunState.h"
#include "run/RunUi.h"

#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace vinculor {

class GradientPanel;
class HelpViewer;

// One direction's run, as exporting::runExport and importing::runImport.
using RunFunction = std::function<RunOutcome(RunState&, RunUi&)>;

// The program's one window. It offers "Exportar" on the left and "Importar"
// on the right. Started by the timetabling program with two parameters, the
// first "exportar" or "importar", it shows only that side, runs it as it is
// shown, closes itself at the run's end and records the outcome in
// Horavia.ini beside the program.
//
// The window is also the runs' user interface: their file dialog, messages,
// hourglass and closing go through it.
class TMForm : public QWidget, public RunUi {
    Q_OBJECT

public:
    // What the window works with. The defaults are the program's own; tests
    // replace the dialogs, the help viewer, the settings file and the runs.
    struct Setup {
        QStringList parameters;             // the command line without the program's path
        RunUi* dialogs = nullptr;           // file dialog and message boxes; the window's own when null
        HelpViewer* help = nullptr;         // the platform's viewer when null
        std::filesystem::path settingsFile; // Horavia.ini beside the executable when empty
        RunFunction exportRun;              // exporting::runExport when empty
        RunFunction importRun;              // importing::runImport when empty
    };

    explicit TMForm(Setup setup);
    ~TMForm() override;

    const RunState& state() const { return state_; }
    const std::filesystem::path& settingsFile() const { return settingsFile_; }

    // RunUi
    std::optional<std::string> chooseXmlFile() override;
    void showMessage(const std::string& text, const std::string& details = {}) override;
    void showError(const std::string& text) override;
    void setHourglass(bool on) override;
    void closeWindow() override;

public slots:
    void BExportarClick();
    void BImportarClick();
    void Button1Click();

signals:
    // The window has closed (after the outcome was recorded, where it is).
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    // False when the outcome could not be recorded: the window then stays open.
    bool FormClose();

    void buildControls();
    void startRun(const RunFunction& run);
    void showHelpTopic();
    void finishCloseRequestedWhileShowing();
    // The first parameter with A to Z lower-cased, when there are exactly two.
    QString commandWord() const;

    QStringList parameters_;
    RunUi* dialogs_;
    HelpViewer* help_;
    std::unique_ptr<HelpViewer> systemHelp_;
    std::filesystem::path settingsFile_;
    RunFunction exportRun_;
    RunFunction importRun_;

    RunState state_;

    bool shownOnce_ = false;
    bool inFormShow_ = false;
    bool closeRequestedWhileShowing_ = false;
    bool hourglassOn_ = false;

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
};

} // namespace vinculor
