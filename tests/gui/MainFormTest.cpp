#include "app/MainForm.h"

#include "app/GradientPanel.h"
#include "app/HelpViewer.h"
#include "app/QtRunUi.h"
#include "app/RunReportDialog.h"
#include "base/Error.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vinculor::Hourglass;
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
    bool opens = true; // what the viewer answers
    bool showContents(const QString& helpFile) override {
        calls.push_back("contents " + helpFile.toStdString());
        return opens;
    }
    bool showTopic(const QString& helpFile, int context) override {
        calls.push_back("topic " + helpFile.toStdString() + " " + std::to_string(context));
        return opens;
    }
};

bool onScreen(const QWidget& widget) {
    return widget.windowHandle() != nullptr && widget.windowHandle()->isVisible();
}

// What the stand-in runs were asked to do and what they saw.
struct RunLog {
    std::vector<std::string> runs;
    bool windowOnScreenDuringRun = false;
    TMForm* form = nullptr; // the window, looked at from the run's thread
};

// A stand-in for a run that ends as the real ones do: it sets the outcome
// (when `status` is not 0) and, in command-line mode, closes the window.
RunFunction endingRun(std::string name, RunLog& log, int status = 0) {
    return [name, &log, status](RunState& state, RunUi& ui) {
        log.runs.push_back(name);
        if (log.form != nullptr) {
            QMetaObject::invokeMethod(
                log.form, [&log] { log.windowOnScreenDuringRun = onScreen(*log.form); },
                Qt::BlockingQueuedConnection);
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
                              "Version=\"1\"><Aulas><Aula Codigo=\"A1\"/><Aula Codigo=\"A2\"/></Aulas>"
                              "</Centro>\n");
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

    // Shows the window and lets the run it started, and what follows it, happen.
    static void showAndSettle(TMForm& form) {
        form.show();
        settle(form);
    }
    // Lets the window's run end and the events it queued happen.
    static void settle(const TMForm& form) {
        for (int i = 0; i < 1000 && form.running(); ++i) {
            QTest::qWait(5);
        }
        EXPECT_FALSE(form.running());
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
    static void click(TMForm& form, const char* button) {
        form.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        settle(form);
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
    log.form = form.get();
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
    // Recorded as the run started, so that a run that never ends leaves no earlier success behind.
    EXPECT_EQ(recordedOutcome(), "0");

    click(*form, "BClose");
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
        click(*form, "BImportar");

        // The error's own message, then where it happened and what to do.
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_EQ(ui.errors.front().rfind(c.message + "\n", 0), 0u) << ui.errors.front();
        EXPECT_NE(ui.errors.front().find("mensajes.html"), std::string::npos) << ui.errors.front();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->state().TransformStatus, 1);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(recordedOutcome(), "0"); // as the run started; not the 1 it set before failing
        std::filesystem::remove(settingsFile);
        EXPECT_EQ(ui.closes, 0);
    }
}

TEST_F(WindowTest, WithAnotherWordAButtonsRunClosesTheWindowAndRecordsItsOutcome) {
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(schoolFile));
    auto form = makeForm({"otra", "x"});
    showAndSettle(*form);
    EXPECT_EQ(ui.dialogsShown, 0);

    click(*form, "BExportar");
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(recordedOutcome(), "1");
}

TEST_F(WindowTest, InteractiveUseNeverCreatesTheSettingsFile) {
    ui.dialogAnswers = {std::nullopt, vinculor::files::toUtf8(schoolFile), std::nullopt};
    auto form = makeForm({});
    showAndSettle(*form);

    click(*form, "BExportar"); // cancelled
    click(*form, "BExportar"); // completes
    click(*form, "BImportar"); // the same file again, but no solution
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"No existe archivo", "Proceso finalizado", kImportNotice,
                                                     "No existe archivo XML o Solución."}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->state().TransformStatus, 1);

    click(*form, "BClose");
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(WindowTest, AnUnwritableSettingsFileKeepsTheWindowOpenUntilALaterCloseSucceeds) {
    // Tests run as root: a regular file where the directory should be makes the write fail.
    const auto blocker = dir / "bloqueo";
    const auto unwritable = blocker / "Horavia.ini";
    // The settings file's own message, then what it means, in Spanish.
    const std::string expectedError =
        "Unable to write to " + vinculor::files::toUtf8(unwritable) +
        "\nNo se ha podido anotar en Horavia.ini cómo terminó la conversión, y "
        "Horavia lo lee de ahí: la ventana no se cerrará hasta que se pueda. "
        "Compruebe que ese archivo no es de solo lectura, que ningún otro programa "
        "lo tiene abierto y que se puede escribir en la carpeta del programa; "
        "después vuelva a cerrar la ventana.";

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

TEST_F(WindowTest, WhenNothingOpensTheHelpAMessageSaysWhereItIs) {
    help.opens = false;
    auto form = makeForm({});
    showAndSettle(*form);
    click(*form, "Button1");
    control(*form, "BExportar")->setFocus();
    QTest::keyClick(control(*form, "BExportar"), Qt::Key_F1);

    EXPECT_EQ(help.calls, (std::vector<std::string>{"contents EKADE.chm", "topic EKADE.chm 3"}));
    ASSERT_EQ(ui.messages.size(), 2u);
    const QString pages = QDir::toNativeSeparators(vinculor::helpPagesDirectory());
    for (const std::string& message : ui.messages) {
        EXPECT_EQ(message.rfind("No se ha podido abrir la ayuda.", 0), 0u) << message;
        EXPECT_NE(message.find("EKADE.chm»"), std::string::npos) << message;
        EXPECT_NE(message.find("«" + pages.toStdString() + "»"), std::string::npos) << message;
    }
}

TEST(BrowserHelp, OpensThePageOfTheContextAndSaysWhenItCannot) {
    TempDir pages;
    writeText(pages / "index.html", "<html></html>");
    std::vector<QUrl> opened;
    bool browserWorks = true;
    vinculor::BrowserHelpViewer viewer(QString::fromStdString(pages.path().string()),
                                       [&](const QUrl& url, const std::function<void()>&) {
                                           opened.push_back(url);
                                           return browserWorks;
                                       });
    const QUrl index = QUrl::fromLocalFile(QString::fromStdString((pages / "index.html").string()));

    EXPECT_TRUE(viewer.showTopic("EKADE.chm", 3));
    EXPECT_TRUE(viewer.showTopic("EKADE.chm", 999)); // an unknown context: the contents
    EXPECT_TRUE(viewer.showContents("EKADE.chm"));
    EXPECT_EQ(opened, (std::vector<QUrl>{index, index, index}));

    browserWorks = false; // no browser, or it failed
    EXPECT_FALSE(viewer.showContents("EKADE.chm"));
    std::filesystem::remove(pages / "index.html"); // the pages are missing: nothing is handed to the browser
    opened.clear();
    EXPECT_FALSE(viewer.showTopic("EKADE.chm", 3));
    EXPECT_TRUE(opened.empty());
}

TEST_F(WindowTest, ABrowserThatGivesUpLaterStillGetsTheUserTold) {
    // The desktop's launcher starts, then finds no browser.
    std::function<void()> giveUp;
    std::filesystem::create_directory(dir / "ayuda");
    writeText(dir / "ayuda" / "index.html", "<html></html>");
    vinculor::BrowserHelpViewer browser(QString::fromStdString((dir / "ayuda").string()),
                                        [&](const QUrl&, const std::function<void()>& failedLater) {
                                            giveUp = failedLater;
                                            return true;
                                        });
    TMForm::Setup setup;
    setup.dialogs = &ui;
    setup.help = &browser;
    setup.settingsFile = settingsFile;
    TMForm form(std::move(setup));
    form.show();
    settle(form);
    click(form, "Button1");
    ASSERT_TRUE(giveUp);
    EXPECT_TRUE(ui.messages.empty());
    giveUp();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages.front().rfind("No se ha podido abrir la ayuda.", 0), 0u);
}

TEST(DesktopLauncher, OneBrowserPerPageAndALauncherThatGivesUpIsHeard) {
    TempDir dir;
    // A launcher that notes each start, stays a while (as a browser it runs in
    // the foreground would) and ends with the status given in its name.
    const auto makeLauncher = [&dir](const char* name, int status) {
        const auto path = dir / name;
        writeText(path, "#!/bin/sh\necho \"$1\" >> '" + (dir / "starts").string() + "'\nsleep 0.3\nexit " +
                            std::to_string(status) + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return QString::fromStdString(path.string());
    };
    const QUrl index = QUrl::fromLocalFile("/ayuda/index.html");
    const QUrl messages = QUrl::fromLocalFile("/ayuda/mensajes.html");
    int failures = 0;
    const std::function<void()> failed = [&failures] { ++failures; };

    vinculor::DesktopLauncher works(makeLauncher("abre", 0));
    EXPECT_TRUE(works.open(index, failed));
    EXPECT_TRUE(works.open(index, failed));    // the browser already shows it
    EXPECT_TRUE(works.open(messages, failed)); // another page goes to the browser
    QTest::qWait(600);
    // One start per page; the two launchers run side by side, so in either order.
    QStringList starts = QString::fromStdString(readText(dir / "starts")).split('\n', Qt::SkipEmptyParts);
    starts.sort();
    EXPECT_EQ(starts, (QStringList{index.toString(), messages.toString()}));
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(works.open(index, failed)); // the browser was closed: started again
    QTest::qWait(600);
    EXPECT_EQ(failures, 0);

    vinculor::DesktopLauncher givesUp(makeLauncher("falla", 4));
    EXPECT_TRUE(givesUp.open(index, failed));
    for (int i = 0; i < 200 && failures == 0; ++i) {
        QTest::qWait(10);
    }
    EXPECT_EQ(failures, 1);

    vinculor::DesktopLauncher missing(QString::fromStdString((dir / "no-existe").string()));
    EXPECT_FALSE(missing.open(index, failed));
}

TEST_F(WindowTest, EnterPressesTheFocusedButton) {
    RunLog log;
    auto form = makeForm({}, endingRun("exportar", log), endingRun("importar", log));
    showAndSettle(*form);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        log.runs.clear();
        help.calls.clear();
        for (const char* button : {"BExportar", "BImportar", "Button1"}) {
            control(*form, button)->setFocus();
            QTest::keyClick(control(*form, button), key);
            settle(*form);
        }
        EXPECT_EQ(log.runs, (std::vector<std::string>{"exportar", "importar"}));
        EXPECT_EQ(help.calls, std::vector<std::string>{"contents EKADE.chm"});
    }
    control(*form, "BClose")->setFocus();
    QTest::keyClick(control(*form, "BClose"), Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowTest, InCommandLineModeFocusNeverRestsOnACoveredButton) {
    const auto notTheSchool = dir / "otro.xml";
    writeText(notTheSchool, "<Otro/>");
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(notTheSchool));
    auto form = makeForm({"exportar", "x"}); // stopped by an error: the window stays, showing its side
    showAndSettle(*form);
    ASSERT_EQ(ui.errors.size(), 1u);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    for (int i = 0; i < 6; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_TRUE(focused->isVisible()) << focused->objectName().toStdString();
        // What the user sees where the focused control lies is that control.
        const QPoint centre = focused->mapTo(form.get(), focused->rect().center());
        EXPECT_EQ(form->childAt(centre), focused) << focused->objectName().toStdString();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    // Space on the focused button runs the export again; it does not quit.
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(schoolFile));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    settle(*form);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(recordedOutcome(), "1");
}

// A run that works for `busyMs` on its thread after reporting its steps.
RunFunction slowRun(RunLog& log, int busyMs, std::vector<std::string> steps) {
    return [&log, busyMs, steps](RunState& state, RunUi& ui) {
        log.runs.push_back("lenta");
        Hourglass hourglass(ui);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            ui.progress(steps[i], i, steps.size());
            QThread::msleep(static_cast<unsigned long>(busyMs / static_cast<int>(steps.size())));
        }
        state.TransformStatus = 1;
        if (state.commandLineMode()) {
            ui.closeWindow();
        }
        return RunOutcome::Completed;
    };
}

// Counts the paint events of a widget and of its children.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(WindowTest, ALongRunShowsItsProgressAndTheWindowStaysPaintedAndResponsive) {
    RunLog log;
    auto form = makeForm({}, endingRun("exportar", log), slowRun(log, 1200, {"Uno", "Dos", "Tres"}));
    showAndSettle(*form);
    auto* bar = control<QProgressBar>(*form, "ProgressImportar");
    EXPECT_FALSE(bar->isVisible());

    PaintCounter counter;
    bar->installEventFilter(&counter);
    control<QPushButton>(*form, "BImportar")->click();
    EXPECT_TRUE(form->running());
    QTest::qWait(150);
    EXPECT_FALSE(bar->isVisible()) << "a run shows progress only after half a second";

    std::vector<QString> seen;
    for (int i = 0; i < 400 && form->running(); ++i) {
        if (bar->isVisible() && (seen.empty() || seen.back() != bar->format())) {
            seen.push_back(bar->format());
        }
        if (i == 50) {
            control<QPushButton>(*form, "BExportar")->click(); // no second run meanwhile
            form->update();
        }
        QTest::qWait(5);
    }
    settle(*form);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Tres (3 de 3)");
    for (const QString& format : seen) {
        EXPECT_TRUE(format == "Dos (2 de 3)" || format == "Tres (3 de 3)") << format.toStdString();
    }
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(log.runs, std::vector<std::string>{"lenta"});
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The user's interface heard every step too.
    EXPECT_EQ(ui.progressReports, (std::vector<std::string>{"0/3 Uno", "1/3 Dos", "2/3 Tres"}));
}

// A run that fails before it takes the hourglass (a file that does not load)
// shows no progress behind its error half a second later.
TEST_F(WindowTest, ARunThatFailsEarlyShowsNoProgressBehindItsError) {
    const RunFunction failing = [](RunState&, RunUi& ui) -> RunOutcome {
        ui.progress("Leyendo el archivo XML", 0, 9);
        throw vinculor::Error("El archivo «x.xml» no es un documento XML válido.");
    };
    RunLog log;
    auto form = makeForm({}, failing, endingRun("importar", log));
    showAndSettle(*form);
    bool barBehindTheError = false;
    ui.whileErrorShown = [&] {
        QTest::qWait(800);
        barBehindTheError = control(*form, "ProgressExportar")->isVisible();
    };
    control<QPushButton>(*form, "BExportar")->click();
    settle(*form);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_FALSE(barBehindTheError);
}

TEST_F(WindowTest, ACloseDuringARunWaitsForItsEnd) {
    RunLog log;
    auto form = makeForm({}, slowRun(log, 400, {"Uno"}));
    showAndSettle(*form);
    control<QPushButton>(*form, "BExportar")->click();
    ASSERT_TRUE(form->running());
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    settle(*form);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->state().TransformStatus, 1); // the run was not cut short
}

TEST_F(WindowTest, ALongRunAtShowPutsTheWindowOnTheScreenWithItsProgress) {
    RunLog log;
    auto form = makeForm({"exportar", "x"}, slowRun(log, 1000, {"Uno", "Dos"}));
    form->show();
    EXPECT_FALSE(onScreen(*form));
    bool barSeen = false;
    bool onScreenWithBar = false;
    for (int i = 0; i < 400 && form->running(); ++i) {
        QWidget* bar = control(*form, "ProgressExportar");
        if (bar->isVisible()) {
            barSeen = true;
            onScreenWithBar = onScreen(*form);
        }
        QTest::qWait(5);
    }
    settle(*form);
    EXPECT_TRUE(barSeen);
    EXPECT_TRUE(onScreenWithBar);
    EXPECT_FALSE(form->isVisible()); // closed at the run's end
    EXPECT_EQ(recordedOutcome(), "1");
}

TEST_F(WindowTest, TheRealRunsReportTheirStepsThroughTheWindow) {
    ui.dialogAnswers.push_back(vinculor::files::toUtf8(schoolFile));
    auto form = makeForm({});
    showAndSettle(*form);
    click(*form, "BExportar");
    ASSERT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(ui.progressReports.size(), 9u);
    EXPECT_EQ(ui.progressReports.front(), "0/9 Leyendo el archivo XML");
    // The report names the file and the Horavia directory.
    EXPECT_NE(ui.details.front().find("Archivo XML: " + vinculor::files::toUtf8(schoolFile)),
              std::string::npos);
    EXPECT_NE(ui.details.front().find("Directorio de Horavia: " + vinculor::files::toUtf8(dir / "HTEMP")),
              std::string::npos);
    EXPECT_NE(ui.details.front().find("AULAT: 2 registros"), std::string::npos);
}

TEST_F(WindowTest, TheWindowsOwnDialogsServeARealRunFromItsThread) {
    TMForm::Setup setup;
    setup.help = &help;
    setup.settingsFile = settingsFile;
    setup.userSettingsFile = QString::fromStdString((dir / "usuario.ini").string());
    TMForm form(std::move(setup));
    form.show();
    settle(form);

    // The user answers each dialog as it comes: the file, then the report, closed with Enter.
    std::vector<std::string> seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            seen.push_back("archivo");
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromStdString(vinculor::files::toUtf8(schoolFile)));
            static_cast<QDialog*>(files)->accept();
        } else if (auto* report = qobject_cast<vinculor::RunReportDialog*>(dialog)) {
            seen.push_back(report->reportText().toStdString());
            // Enter where the dialog's focus is (its one button); the dialog itself when not yet active.
            QTest::keyClick(report->focusWidget() != nullptr ? report->focusWidget() : report,
                            Qt::Key_Return);
        } else {
            seen.push_back("otro");
            dialog->reject();
        }
    });
    user.start(10);
    control<QPushButton>(form, "BExportar")->click();
    settle(form);
    user.stop();

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "archivo");
    EXPECT_EQ(seen[1].rfind("Archivo XML: " + vinculor::files::toUtf8(schoolFile) + "\n", 0), 0u) << seen[1];
    EXPECT_EQ(form.state().TransformStatus, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTest, TheWindowHasItsOwnIconAndCursor) {
    auto form = makeForm({});
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_FALSE(form->windowIcon().pixmap(32, 32).toImage() ==
                 QApplication::style()->standardIcon(QStyle::SP_TitleBarMenuButton).pixmap(32, 32).toImage());

    form->setHourglass(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(ui.hourglass);
    form->setHourglass(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(ui.hourglass);
}

class QtDialogsTest : public ::testing::Test {
protected:
    TempDir dir;
    QString settings = QString::fromStdString((dir / "usuario.ini").string());
    QWidget owner;
    vinculor::QtRunUi dialogs{&owner, settings};
};

TEST_F(QtDialogsTest, MessagesCarryTheTitleTheirSecondLineAndOneButton) {
    struct Seen {
        QString title, text, informative;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
    };
    const auto lookAtMessageBox = [](Seen& seen) {
        return [&seen](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                seen = {box->windowTitle(), box->text(), box->informativeText(), box->icon(),
                        static_cast<int>(box->buttons().size())};
            }
            dialog.reject();
        };
    };

    Seen message;
    {
        ModalAnswer answer(lookAtMessageBox(message));
        dialogs.showMessage(kImportNotice);
    }
    EXPECT_EQ(message.title, "Vinculor");
    EXPECT_EQ(message.text,
              "Deberá Abrir el fichero XML de PINCEL-Ekade,\ndesde el cual realizó la Importación a Horavia");
    EXPECT_EQ(message.informative, "");
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);
    EXPECT_EQ(message.buttons, 1);

    {
        ModalAnswer answer(lookAtMessageBox(message));
        dialogs.showMessage("No existe archivo XML o Solución.",
                            "Falta la solución de Horavia «/x/SOLUC.DBF».");
    }
    EXPECT_EQ(message.text, "No existe archivo XML o Solución.");
    EXPECT_EQ(message.informative, "Falta la solución de Horavia «/x/SOLUC.DBF».");

    Seen error;
    {
        ModalAnswer answer(lookAtMessageBox(error));
        dialogs.showError("Unable to write to /x/Horavia.ini");
    }
    EXPECT_EQ(error.title, "Vinculor");
    EXPECT_EQ(error.text, "Unable to write to /x/Horavia.ini");
    EXPECT_EQ(error.icon, QMessageBox::Critical);
}

TEST_F(QtDialogsTest, TheFileDialogStartsWhereTheLastFileWasChosen) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString expectedFirst = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    EXPECT_EQ(dialogs.startFolder(), expectedFirst);

    std::filesystem::create_directory(dir / "datos");
    const auto school = dir / "datos" / "centro.xml";
    writeText(school, "<Centro/>");
    QString title, suffix, directory;
    QStringList filters;
    {
        ModalAnswer answer([&](QDialog& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                title = files->windowTitle();
                filters = files->nameFilters();
                suffix = files->defaultSuffix();
                directory = files->directory().absolutePath();
                // As if the user typed the path: selectFile() leaves a focused name field alone.
                if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    name->setText(QString::fromStdString(school.string()));
                }
            }
            dialog.accept();
        });
        EXPECT_EQ(dialogs.chooseXmlFile(), school.string());
    }
    EXPECT_EQ(title, "Seleccionar Archivo XML obtenido de PINNCEL-EKADE");
    EXPECT_EQ(filters, QStringList{"*.xml"});
    EXPECT_EQ(suffix, "xml");
    EXPECT_EQ(directory, expectedFirst);

    // Another program (the other direction) starts in the same folder: it is in the user's settings.
    vinculor::QtRunUi later(&owner, settings);
    EXPECT_EQ(later.startFolder(), QString::fromStdString((dir / "datos").string()));
    {
        ModalAnswer answer([&](QDialog& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                directory = files->directory().absolutePath();
            }
            dialog.reject();
        });
        EXPECT_EQ(later.chooseXmlFile(), std::nullopt);
    }
    EXPECT_EQ(directory, QString::fromStdString((dir / "datos").string()));

    // A folder that has gone: the documents folder again.
    std::filesystem::remove_all(dir / "datos");
    EXPECT_EQ(later.startFolder(), expectedFirst);
}

vinculor::RunSummary importSummary(const TempDir& dir, const std::string& timetable) {
    vinculor::RunSummary summary;
    summary.direction = "importar";
    summary.inputFile = (dir / "centro.xml").string();
    summary.horaviaDir = (dir / "HTEMP").string();
    summary.outputFile = (dir / "ResultadoHoraviacentro.xml").string();
    summary.timetableFile = timetable;
    summary.lessons = 12;
    return summary;
}

TEST(RunReport, ShowsTheWholeSummaryAndItsOneButtonClosesItWithEnter) {
    TempDir dir;
    vinculor::RunReportDialog report("Proceso finalizado", importSummary(dir, {}));
    report.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&report));

    EXPECT_EQ(report.windowTitle(), "Vinculor");
    EXPECT_EQ(report.findChild<QLabel*>("message")->text(), "Proceso finalizado");
    const QString text = report.findChild<QPlainTextEdit*>("report")->toPlainText();
    for (const std::string& line : {"Archivo XML: " + (dir / "centro.xml").string(),
                                    "Directorio de Horavia: " + (dir / "HTEMP").string(),
                                    "Documento: " + (dir / "ResultadoHoraviacentro.xml").string(),
                                    std::string("Actividades escritas: 12")}) {
        EXPECT_TRUE(text.contains(QString::fromStdString(line))) << line << "\n" << text.toStdString();
    }
    EXPECT_EQ(report.findChild<QPushButton*>("timetable"), nullptr);
    // Resizable, larger than a message box's details.
    EXPECT_LT(report.minimumSize().width(), report.maximumSize().width());
    EXPECT_GE(report.width(), 600);

    auto* close = report.findChild<QPushButton*>("close");
    EXPECT_TRUE(close->isDefault());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&report));
    ASSERT_EQ(QApplication::focusWidget(), close);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(report.isVisible());
    EXPECT_EQ(report.result(), QDialog::Accepted);
}

TEST(RunReport, CopiesSavesAndOpensTheTimetable) {
    TempDir dir;
    const std::string timetable = (dir / "Horario-centro.html").string();
    vinculor::RunReportDialog report("Proceso finalizado", importSummary(dir, timetable));
    const std::string expected = importSummary(dir, timetable).toText();

    report.findChild<QPushButton*>("copy")->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);

    QString suggested;
    const auto saved = dir / "informe.txt";
    report.setSaveLocationChooser([&](QWidget*, const QString& offered) {
        suggested = offered;
        return QString::fromStdString(saved.string());
    });
    report.findChild<QPushButton*>("save")->click();
    EXPECT_EQ(readText(saved), expected);
    EXPECT_EQ(suggested, QString::fromStdString((dir / "Informe-importar-centro.txt").string()));

    // A place that cannot be written: the user is told, nothing is lost from the report.
    QString error;
    {
        ModalAnswer answer([&](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
                error = box->text();
            }
            dialog.reject();
        });
        EXPECT_FALSE(report.saveTo(QString::fromStdString((dir / "no-existe" / "informe.txt").string())));
    }
    EXPECT_TRUE(error.startsWith("No se ha podido guardar el informe en «")) << error.toStdString();

    std::vector<QUrl> opened;
    report.setOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    auto* show = report.findChild<QPushButton*>("timetable");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->text(), "&Ver horario");
    show->click();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(timetable))});
}

} // namespace
