#include "app/MainForm.h"

#include "app/GradientPanel.h"
#include "app/HelpViewer.h"
#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vinculor::RunFunction;
using vinculor::RunOutcome;
using vinculor::RunState;
using vinculor::RunUi;
using vinculor::TMForm;
using vinculor::testing::readText;
using vinculor::testing::ScriptedUi;
using vinculor::testing::TempDir;
using vinculor::testing::writeText;

constexpr char kImportNotice[] =
    "Deberá Abrir el fichero XML de PINCEL-Ekade,\r\ndesde el cual realizó la Importación a Horavia";

// Help requests as text: "contents <file>" and "topic <file> <context>".
class RecordingHelp : public vinculor::HelpViewer {
public:
    std::vector<std::string> calls;
    void showContents(const QString& helpFile) override {
        calls.push_back("contents " + helpFile.toStdString());
    }
    void showTopic(const QString& helpFile, int context) override {
        calls.push_back("topic " + helpFile.toStdString() + " " + std::to_string(context));
    }
};

// What the stand-in runs were asked to do and what they saw.
struct RunLog {
    std::vector<std::string> runs;
    bool windowOnScreenDuringRun = false;
};

bool onScreen(const QWidget& widget) {
    return widget.windowHandle() != nullptr && widget.windowHandle()->isVisible();
}

// A stand-in for a run that ends as the real ones do: it sets the outcome
// (when `status` is not 0) and, in command-line mode, closes the window.
RunFunction endingRun(std::string name, RunLog& log, int status = 0) {
    return [name, &log, status](RunState& state, RunUi& ui) {
        log.runs.push_back(name);
        if (auto* window = dynamic_cast<QWidget*>(&ui)) {
            log.windowOnScreenDuringRun = onScreen(*window);
        }
        if (status != 0) {
            state.TransformStatus = status;
        }
        if (status != 0 && state.commandLineMode()) {
            ui.closeWindow();
        }
        return RunOutcome::Completed;
    };
}

// Answers the next modal dialog: `answer` looks at it and must close it. A
// dialog still open after its answer is a failure, and is closed so that the
// test goes on.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QDialog&)> answer) {
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            if (answered_) {
                ADD_FAILURE() << "the dialog stayed open after its answer";
                dialog->done(QDialog::Rejected);
                return;
            }
            answered_ = true;
            answer(*dialog);
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
    bool answered_ = false;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "HTEMP");
        qputenv("VINCULOR_HTEMP", QByteArray::fromStdString(vinculor::files::toUtf8(dir / "HTEMP")));
        settingsFile = dir / "Horavia.ini";
        writeText(schoolFile, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<Centro Codigo=\"38000001\" Nombre=\"IES Prueba\" CursoEscolar=\"2024\" "
                              "Version=\"1\"/>\n");
    }
    void TearDown() override { qunsetenv("VINCULOR_HTEMP"); }

    std::unique_ptr<TMForm> makeForm(const QStringList& parameters, RunFunction exportRun = {},
                                     RunFunction importRun = {}) {
        TMForm::Setup setup;
        setup.parameters = parameters;
        setup.dialogs = &ui;
        setup.help = &help;
        setup.settingsFile = settingsFile;
        setup.exportRun = std::move(exportRun);
        setup.importRun = std::move(importRun);
        return std::make_unique<TMForm>(std::move(setup));
    }

    // Shows the window and lets what its show queued (a close) happen.
    static void showAndSettle(TMForm& form) {
        form.show();
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    std::optional<std::string> recordedOutcome() const {
        if (!std::filesystem::exists(settingsFile)) {
            return std::nullopt;
        }
        return vinculor::ini::findValue(readText(settingsFile), "Transformadores", "Transformado");
    }

    TempDir dir;
    std::filesystem::path settingsFile;
    std::filesystem::path schoolFile = dir / "centro.xml";
    ScriptedUi ui;
    RecordingHelp help;
};

template <typename T = QWidget> T* control(TMForm& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return widget;
}

bool near(QColor actual, QColor expected) {
    return std::abs(actual.red() - expected.red()) <= 8 && std::abs(actual.green() - expected.green()) <= 8 &&
           std::abs(actual.blue() - expected.blue()) <= 8;
}

TEST_F(WindowTest, LaysOutTheControlsWithTheirTextsFontsAndColours) {
    auto form = makeForm({});
    showAndSettle(*form);

    EXPECT_EQ(form->windowTitle(), "Exportar e importar datos entre Horavia y Pincel-eKade");
    EXPECT_EQ(form->size(), QSize(632, 266));
    EXPECT_EQ(form->minimumSize(), QSize(632, 266));
    EXPECT_EQ(form->maximumSize(), QSize(632, 266));
    EXPECT_FALSE(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((form->frameGeometry().center() - screen.center()).manhattanLength(), 40);
    EXPECT_EQ(form->font().pixelSize(), 11);

    struct Control {
        const char* name;
        const char* parent;
        QRect geometry;
        QString text;
    };
    const Control controls[] = {
        {"Draw3D2", "MForm", QRect(0, 0, 315, 169), {}},
        {"Label3", "Draw3D2", QRect(24, 24, 265, 57), "Transformar datos desde Pincel-eKade hacia Horavia "},
        {"BExportar", "Draw3D2", QRect(96, 120, 89, 25), "OK"},
        {"Draw3D3", "MForm", QRect(316, 0, 317, 169), {}},
        {"Label4", "Draw3D3", QRect(8, 24, 305, 57), "Transformar datos desde Horavia hacia Pincel-eKade"},
        {"BImportar", "Draw3D3", QRect(96, 120, 89, 25), "OK"},
        {"Draw3D1", "MForm", QRect(0, 168, 633, 97), {}},
        {"Button1", "Draw3D1", QRect(48, 40, 75, 25), "F1 Ayuda"},
        {"BClose", "Draw3D1", QRect(256, 32, 89, 25), "&Salir"},
        {"ListBoxPlanti", "Draw3D1", QRect(576, 4, 49, 29), {}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = control(*form, c.name);
        EXPECT_EQ(widget->parentWidget()->objectName(), c.parent);
        EXPECT_EQ(widget->geometry(), c.geometry);
        EXPECT_EQ(widget->isVisible(), std::string(c.name) != "ListBoxPlanti");
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), c.text);
            EXPECT_TRUE(label->wordWrap());
            EXPECT_FALSE(label->autoFillBackground());
            EXPECT_EQ(label->font().families().value(0), "Arial");
            EXPECT_EQ(label->font().pixelSize(), 16);
            EXPECT_TRUE(label->font().bold());
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), c.text);
            EXPECT_EQ(button->icon().isNull(), std::string(c.name) == "Button1"); // the others carry a glyph
        }
    }
    EXPECT_TRUE(control<QListWidget>(*form, "ListBoxPlanti")->isSortingEnabled());

    auto* label1 = control<QLabel>(*form, "Label1");
    EXPECT_EQ(label1->parentWidget()->objectName(), "Draw3D1");
    EXPECT_EQ(label1->text(), "Vinculor para ZQ7 V-1.0");
    EXPECT_EQ(label1->pos(), QPoint(8, 72));
    EXPECT_TRUE(label1->font().bold());
    EXPECT_EQ(label1->font().pixelSize(), 11);
    EXPECT_EQ(label1->palette().color(QPalette::WindowText), QColor(Qt::red));
    // ... and it is drawn in red, not in the button-text colour of the window's face.
    const QImage drawn = label1->grab().toImage();
    int redPixels = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor pixel = drawn.pixelColor(x, y);
            redPixels += pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60 ? 1 : 0;
        }
    }
    EXPECT_GT(redPixels, 20);

    // Each panel's gradient runs from its start colour through the middle one to its end colour.
    struct Gradient {
        const char* panel;
        QColor start, middle, end;
    };
    const Gradient gradients[] = {
        {"Draw3D2", QColor(0xF9, 0xD3, 0x7D), Qt::white, QColor(0xFF, 0xEE, 0xDD)},
        {"Draw3D3", QColor(0xF9, 0xD3, 0x7D), Qt::white, QColor(0xFF, 0xEE, 0xDD)},
        {"Draw3D1", QColor(0xC2, 0xCD, 0xFE), QColor(0xCF, 0xF2, 0xFE), QColor(0xCC, 0xD8, 0xE6)},
    };
    for (const Gradient& g : gradients) {
        SCOPED_TRACE(g.panel);
        auto* panel = control<vinculor::GradientPanel>(*form, g.panel);
        const QImage image = panel->grab().toImage();
        EXPECT_TRUE(near(image.pixelColor(4, 0), g.start)) << image.pixelColor(4, 0).name().toStdString();
        EXPECT_TRUE(near(image.pixelColor(4, image.height() / 2), g.middle));
        EXPECT_TRUE(near(image.pixelColor(4, image.height() - 1), g.end));
    }
}

struct ParameterCase {
    const char* what;
    QStringList parameters;
    int launchedWithParams;
    const char* onlySide; // the panel that fills the window, or none when both sides show
    std::vector<std::string> runsAtShow;
};

void PrintTo(const ParameterCase& c, std::ostream* os) {
    *os << c.what;
}

class WindowParameters : public WindowTest, public ::testing::WithParamInterface<ParameterCase> {};

TEST_P(WindowParameters, ChooseTheModeTheSidesAndTheRunAtShow) {
    const ParameterCase& c = GetParam();
    RunLog log;
    auto form = makeForm(c.parameters, endingRun("exportar", log), endingRun("importar", log));
    showAndSettle(*form);

    EXPECT_EQ(form->state().LaunchedWithParams, c.launchedWithParams);
    EXPECT_EQ(log.runs, c.runsAtShow);
    ASSERT_TRUE(form->isVisible());

    QWidget* exportSide = control(*form, "Draw3D2");
    QWidget* importSide = control(*form, "Draw3D3");
    // Where "F1 Ayuda" lies on the bottom strip.
    const QPoint helpButton(48 + 37, 168 + 40 + 12);
    if (c.onlySide == nullptr) {
        EXPECT_TRUE(exportSide->isVisible());
        EXPECT_TRUE(importSide->isVisible());
        EXPECT_EQ(exportSide->geometry(), QRect(0, 0, 315, 169));
        EXPECT_EQ(importSide->geometry(), QRect(316, 0, 317, 169));
        EXPECT_EQ(form->childAt(helpButton), control(*form, "Button1"));
    } else {
        QWidget* shown = control(*form, c.onlySide);
        QWidget* hidden = shown == exportSide ? importSide : exportSide;
        EXPECT_TRUE(shown->isVisible());
        EXPECT_FALSE(hidden->isVisible());
        EXPECT_EQ(shown->geometry(), QRect(0, 0, 632, 266));
        // The chosen side lies in front of the bottom strip.
        EXPECT_EQ(form->childAt(helpButton), shown);
    }

    EXPECT_TRUE(form->close());
    if (c.launchedWithParams == 2) {
        EXPECT_EQ(recordedOutcome(), "0");
    } else {
        EXPECT_FALSE(std::filesystem::exists(settingsFile));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowParameters,
    ::testing::Values(ParameterCase{"none", {}, 0, nullptr, {}},
                      ParameterCase{"one", {"exportar"}, 0, nullptr, {}},
                      ParameterCase{"three", {"exportar", "x", "y"}, 0, nullptr, {}},
                      ParameterCase{"upper-case export", {"EXPORTAR", "x"}, 2, "Draw3D2", {"exportar"}},
                      ParameterCase{
                          "mixed-case export, empty second", {"eXpOrTaR", ""}, 2, "Draw3D2", {"exportar"}},
                      ParameterCase{"import", {"importar", "x"}, 2, "Draw3D3", {"importar"}},
                      ParameterCase{"import with a trailing blank", {"importar ", "x"}, 2, nullptr, {}},
                      ParameterCase{"another word", {"otra", "x"}, 2, nullptr, {}}),
    [](const ::testing::TestParamInfo<ParameterCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(WindowTest, TheRunAtShowComesBeforeTheWindowAppears) {
    RunLog log;
    auto form = makeForm({"exportar", "x"}, endingRun("exportar", log));
    showAndSettle(*form);
    ASSERT_EQ(log.runs, std::vector<std::string>{"exportar"});
    EXPECT_FALSE(log.windowOnScreenDuringRun);
    // The run did not end the program's work: the window appears afterwards.
    EXPECT_TRUE(onScreen(*form));
}

TEST_F(WindowTest, ACommandLineRunThatEndsClosesTheWindowUnseenAndRecordsItsOutcome) {
    for (const auto& [word, status] : {std::pair{"exportar", 1}, std::pair{"IMPORTAR", -1}}) {
        SCOPED_TRACE(word);
        std::filesystem::remove(settingsFile);
        ui = ScriptedUi{};
        RunLog log;
        auto form =
            makeForm({word, "x"}, endingRun("exportar", log, status), endingRun("importar", log, status));
        bool everOnScreen = false;
        form->winId(); // the platform window exists from here on
        QObject::connect(form->windowHandle(), &QWindow::visibleChanged,
                         [&everOnScreen](bool visible) { everOnScreen = everOnScreen || visible; });
        bool closedSignal = false;
        QObject::connect(form.get(), &TMForm::closed, [&closedSignal] { closedSignal = true; });

        showAndSettle(*form);

        EXPECT_EQ(log.runs.size(), 1u);
        EXPECT_FALSE(form->isVisible());
        EXPECT_FALSE(everOnScreen);
        EXPECT_TRUE(closedSignal);
        EXPECT_EQ(ui.closes, 1);
        EXPECT_EQ(recordedOutcome(), std::to_string(status));
    }
}

TEST_F(WindowTest, ACommandLineRunFindsAnEarlierSuccessRecordedAsZeroWhileItWorks) {
    // A run that dies on the way never records its outcome: the timetabling
    // program must then read 0, not the success of the run before.
    writeText(settingsFile, "[Transformadores]\r\nTransformado=1\r\n");
    std::optional<std::string> duringRun;
    auto form = makeForm({"importar", "x"}, nullptr, [&](RunState&, RunUi&) {
        duringRun = recordedOutcome();
        return RunOutcome::Completed;
    });
    showAndSettle(*form);
    EXPECT_EQ(duringRun, "0");
    EXPECT_TRUE(ui.errors.empty());
}

// These go through the real export and import runs.
TEST_F(WindowTest, CommandLineRunsOfTheConversionsRecordTheirOutcome) {
    struct Case {
        const char* word;
        bool pickSchoolFile;
        std::vector<std::string> messages;
        const char* outcome;
    };
    const Case cases[] = {
        {"exportar", false, {"No existe archivo"}, "-1"},
        {"importar", false, {kImportNotice, "No existe archivo XML o Solución."}, "-1"},
        {"Exportar", true, {"Proceso finalizado"}, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        std::filesystem::remove(settingsFile);
        ui = ScriptedUi{};
        if (c.pickSchoolFile) {
            ui.dialogAnswers.push_back(vinculor::files::toUtf8(schoolFile));
        }
        auto form = makeForm({c.word, "x"});
        showAndSettle(*form);

        EXPECT_EQ(ui.dialogsShown, 1);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(recordedOutcome(), c.outcome);
    }
}

TEST_F(WindowTest, ACommandLineRunStoppedByAnErrorLeavesTheWindowOpenAndClosingRecordsZero) {
    const auto notTheSchool = dir / "otro.xml";
    writeText(notTheSchool, "<Otro/>");
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(notTheSchool));
    auto form = makeForm({"exportar", "x"});
    showAndSettle(*form);

    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors.front().find("otro.xml"), std::string::npos) << ui.errors.front();
    EXPECT_TRUE(onScreen(*form));
    EXPECT_EQ(form->state().TransformStatus, 0);
    EXPECT_EQ(recordedOutcome(), "0"); // recorded as the run started

    control<QPushButton>(*form, "BClose")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(recordedOutcome(), "0");
}

TEST_F(WindowTest, ErrorsOfAButtonsRunAreShownAndChangeNothing) {
    struct Case {
        const char* what;
        std::function<void()> fail;
        std::string message;
    };
    const Case cases[] = {
        {"program error", [] { throw vinculor::Error("No se puede abrir la tabla «PROFT»."); },
         "No se puede abrir la tabla «PROFT»."},
        {"other exception", [] { throw std::runtime_error("fallo inesperado"); }, "fallo inesperado"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui = ScriptedUi{};
        RunLog log;
        auto form = makeForm({"otra", "x"}, endingRun("exportar", log), [&c](RunState& state, RunUi& runUi) {
            state.TransformStatus = 1; // what the run changed before the error stays
            runUi.setHourglass(true);
            c.fail();
            return RunOutcome::Completed;
        });
        showAndSettle(*form);
        control<QPushButton>(*form, "BImportar")->click();

        EXPECT_EQ(ui.errors, std::vector<std::string>{c.message});
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->state().TransformStatus, 1);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(recordedOutcome(), "0"); // recorded as the run started, not its status
        EXPECT_EQ(ui.closes, 0);
    }
}

TEST_F(WindowTest, WithAnotherWordAButtonsRunClosesTheWindowAndRecordsItsOutcome) {
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(schoolFile));
    auto form = makeForm({"otra", "x"});
    showAndSettle(*form);
    EXPECT_EQ(ui.dialogsShown, 0);

    control<QPushButton>(*form, "BExportar")->click();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(recordedOutcome(), "1");
}

TEST_F(WindowTest, InteractiveUseNeverCreatesTheSettingsFile) {
    ui.dialogAnswers = {std::nullopt, vinculor::files::toUtf8(schoolFile), std::nullopt};
    auto form = makeForm({});
    showAndSettle(*form);

    control<QPushButton>(*form, "BExportar")->click(); // cancelled
    control<QPushButton>(*form, "BExportar")->click(); // completes
    control<QPushButton>(*form, "BImportar")->click(); // the same file again, but no solution
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"No existe archivo", "Proceso finalizado", kImportNotice,
                                                     "No existe archivo XML o Solución."}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->state().TransformStatus, 1);

    control<QPushButton>(*form, "BClose")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(WindowTest, AnUnwritableSettingsFileKeepsTheWindowOpenUntilALaterCloseSucceeds) {
    // Tests run as root: a regular file where the directory should be makes the write fail.
    const auto blocker = dir / "bloqueo";
    const auto unwritable = blocker / "Horavia.ini";
    const std::string expectedError = "Unable to write to " + vinculor::files::toUtf8(unwritable);

    {
        SCOPED_TRACE("closed by the user");
        writeText(blocker, "");
        settingsFile = unwritable;
        auto form = makeForm({"otra", "x"});
        showAndSettle(*form);
        EXPECT_FALSE(form->close());
        EXPECT_EQ(ui.errors, std::vector<std::string>{expectedError});
        EXPECT_TRUE(form->isVisible());

        std::filesystem::remove(blocker);
        std::filesystem::create_directory(blocker);
        EXPECT_TRUE(form->close());
        EXPECT_EQ(recordedOutcome(), "0");
    }
    {
        SCOPED_TRACE("closed by the run at show");
        std::filesystem::remove_all(blocker);
        writeText(blocker, "");
        ui = ScriptedUi{};
        RunLog log;
        auto form = makeForm({"exportar", "x"}, endingRun("exportar", log, -1));
        showAndSettle(*form);
        EXPECT_EQ(ui.errors, std::vector<std::string>{expectedError});
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(onScreen(*form)); // it was kept off the screen while closing, and now appears

        std::filesystem::remove(blocker);
        std::filesystem::create_directory(blocker);
        control<QPushButton>(*form, "BExportar")->setFocus();
        EXPECT_TRUE(form->close());
        EXPECT_EQ(recordedOutcome(), "-1");
    }
}

TEST_F(WindowTest, F1AsksForTopicThreeAndTheHelpButtonForTheContents) {
    auto form = makeForm({});
    showAndSettle(*form);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    for (const char* focused : {"BExportar", "BImportar", "Button1", "BClose"}) {
        SCOPED_TRACE(focused);
        help.calls.clear();
        QWidget* widget = control(*form, focused);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_F1);
        EXPECT_EQ(help.calls, std::vector<std::string>{"topic EKADE.chm 3"});
    }

    help.calls.clear();
    QTest::mouseClick(control(*form, "Button1"), Qt::LeftButton);
    EXPECT_EQ(help.calls, std::vector<std::string>{"contents EKADE.chm"});

    // Alt+S is "&Salir".
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    // The button shows itself pressed for a moment before it clicks.
    for (int i = 0; i < 100 && form->isVisible(); ++i) {
        QTest::qWait(10);
    }
    EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowTest, TheWindowsOwnDialogsAndCursor) {
    TMForm::Setup setup;
    setup.help = &help;
    setup.settingsFile = settingsFile;
    TMForm form(std::move(setup));

    struct Seen {
        QString title, text, details;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    const auto lookAtMessageBox = [](Seen& seen) {
        return [&seen](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                seen = {box->windowTitle(), box->text(), box->detailedText(), box->icon()};
            }
            dialog.reject();
        };
    };

    Seen message;
    {
        ModalAnswer answer(lookAtMessageBox(message));
        form.showMessage(kImportNotice, "ASIGNOMT: 12 registros");
    }
    EXPECT_EQ(message.title, "Vinculor");
    EXPECT_EQ(message.text,
              "Deberá Abrir el fichero XML de PINCEL-Ekade,\ndesde el cual realizó la Importación a Horavia");
    EXPECT_EQ(message.details, "ASIGNOMT: 12 registros");
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);

    Seen error;
    {
        ModalAnswer answer(lookAtMessageBox(error));
        form.showError("Unable to write to /x/Horavia.ini");
    }
    EXPECT_EQ(error.title, "Vinculor");
    EXPECT_EQ(error.text, "Unable to write to /x/Horavia.ini");
    EXPECT_EQ(error.details, "");
    EXPECT_EQ(error.icon, QMessageBox::Critical);

    QString title, suffix;
    QStringList filters;
    {
        ModalAnswer answer([&](QDialog& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                title = files->windowTitle();
                filters = files->nameFilters();
                suffix = files->defaultSuffix();
            }
            dialog.reject();
        });
        EXPECT_EQ(form.chooseXmlFile(), std::nullopt);
    }
    EXPECT_EQ(title, "Seleccionar Archivo XML obtenido de PINNCEL-EKADE");
    EXPECT_EQ(filters, QStringList{"*.xml"});
    EXPECT_EQ(suffix, "xml");
    {
        ModalAnswer answer([&](QDialog& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                // As if the user typed the path: selectFile() leaves a focused name field alone.
                if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    name->setText(QString::fromStdString(vinculor::files::toUtf8(schoolFile)));
                }
            }
            dialog.accept();
        });
        EXPECT_EQ(form.chooseXmlFile(), vinculor::files::toUtf8(schoolFile));
    }

    form.setHourglass(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    form.setHourglass(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
