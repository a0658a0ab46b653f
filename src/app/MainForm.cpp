#include "MainForm.h"

#include "ButtonGlyphs.h"
#include "GradientPanel.h"
#include "HelpViewer.h"
#include "QtRunUi.h"
#include "WindowRunUi.h"
#include "files/FileSystem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QThread>
#include <exception>
#include <string>

namespace vinculor {

namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 266;
// A run shorter than this shows no progress.
constexpr int kProgressDelayMs = 500;

// Widgets carry their help context number under this property; F1 asks for
// the number of the focused widget or of the nearest widget around it.
constexpr char kHelpContextProperty[] = "helpContext";

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The fonts the window was drawn for, with metric-compatible ones where they
// are missing.
QFont windowFont() {
    QFont font(
        QStringList{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "DejaVu Sans"});
    font.setPixelSize(11);
    return font;
}

QFont captionFont() {
    QFont font(QStringList{"Arial", "Liberation Sans", "Arimo", "DejaVu Sans"});
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

// Labels draw no background of their own: the panel's gradient shows through.
QLabel* makeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* makeButton(const char* name, const QString& text, const QRect& geometry, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setProperty(kHelpContextProperty, kMainHelpContext);
    // Enter presses the focused button, as in a dialog.
    button->setAutoDefault(true);
    return button;
}

GradientPanel* makePanel(const char* name, const QRect& geometry, const QColor& start, const QColor& middle,
                         const QColor& end, QWidget* parent) {
    auto* panel = new GradientPanel(start, middle, end, parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setProperty(kHelpContextProperty, kMainHelpContext);
    return panel;
}

// The bar a run's progress shows on, below its side's caption; hidden until needed.
QProgressBar* makeProgressBar(const char* name, QWidget* panel) {
    auto* bar = new QProgressBar(panel);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(24, 88, 265, 20);
    bar->setTextVisible(true);
    bar->setAlignment(Qt::AlignCenter);
    bar->hide();
    return bar;
}

std::vector<std::string> toStdStrings(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& item : list) {
        out.push_back(item.toStdString());
    }
    return out;
}

std::filesystem::path defaultSettingsFile() {
    const QString path =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kSettingsFileName));
    return files::fromUtf8(QDir::toNativeSeparators(path).toStdString());
}

} // namespace

TMForm::TMForm(Setup setup)
    : controller_(WindowController::Setup{toStdStrings(setup.parameters),
                                          setup.settingsFile.empty() ? defaultSettingsFile()
                                                                     : std::move(setup.settingsFile),
                                          std::move(setup.exportRun), std::move(setup.importRun)}),
      dialogs_(setup.dialogs), help_(setup.help) {
    if (dialogs_ == nullptr) {
        ownDialogs_ = std::make_unique<QtRunUi>(this, setup.userSettingsFile);
        dialogs_ = ownDialogs_.get();
    }
    if (help_ == nullptr) {
        systemHelp_ = makeSystemHelpViewer(this);
        help_ = systemHelp_.get();
    }
    help_->setLateFailureHandler([this] { tellWhereTheHelpIs(); });

    progressDelay_.setSingleShot(true);
    connect(&progressDelay_, &QTimer::timeout, this, &TMForm::showProgressBar);

    buildControls();
    FormCreate();
}

TMForm::~TMForm() {
    // The run's calls wait for this thread: it keeps answering them until the run is over.
    while (worker_ && !worker_->isFinished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (worker_) {
        worker_->wait();
    }
    if (hourglassOn_) {
        QApplication::restoreOverrideCursor();
    }
}

void TMForm::buildControls() {
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(QStringLiteral("Exportar e importar datos entre Horavia y Pincel-eKade"));
    setWindowIcon(glyphs::windowIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFont(windowFont());
    setProperty(kHelpContextProperty, kMainHelpContext);

    // The "Exportar" side.
    Draw3D2 = makePanel("Draw3D2", QRect(0, 0, 315, 169), QColor(0xF9, 0xD3, 0x7D), Qt::white,
                        QColor(0xFF, 0xEE, 0xDD), this);
    Label3 =
        makeLabel("Label3", QStringLiteral("Transformar datos desde Pincel-eKade hacia Horavia "), Draw3D2);
    Label3->setGeometry(24, 24, 265, 57);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setFont(captionFont());
    BExportar = makeButton("BExportar", QStringLiteral("OK"), QRect(96, 120, 89, 25), Draw3D2);
    BExportar->setIcon(glyphs::checkMark());
    ProgressExportar = makeProgressBar("ProgressExportar", Draw3D2);

    // The "Importar" side.
    Draw3D3 = makePanel("Draw3D3", QRect(316, 0, 317, 169), QColor(0xF9, 0xD3, 0x7D), Qt::white,
                        QColor(0xFF, 0xEE, 0xDD), this);
    Label4 =
        makeLabel("Label4", QStringLiteral("Transformar datos desde Horavia hacia Pincel-eKade"), Draw3D3);
    Label4->setGeometry(8, 24, 305, 57);
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setFont(captionFont());
    BImportar = makeButton("BImportar", QStringLiteral("OK"), QRect(96, 120, 89, 25), Draw3D3);
    BImportar->setIcon(glyphs::checkMark());
    ProgressImportar = makeProgressBar("ProgressImportar", Draw3D3);

    // The bottom strip.
    Draw3D1 = makePanel("Draw3D1", QRect(0, 168, 633, 97), QColor(0xC2, 0xCD, 0xFE), QColor(0xCF, 0xF2, 0xFE),
                        QColor(0xCC, 0xD8, 0xE6), this);
    Button1 = makeButton("Button1", QStringLiteral("F1 Ayuda"), QRect(48, 40, 75, 25), Draw3D1);
    BClose = makeButton("BClose", QStringLiteral("&Salir"), QRect(256, 32, 89, 25), Draw3D1);
    BClose->setIcon(glyphs::openDoor());
    Label1 = makeLabel("Label1", QStringLiteral("Vinculor para ZQ7 V-1.0"), Draw3D1);
    QFont label1Font = windowFont();
    label1Font.setBold(true);
    Label1->setFont(label1Font);
    QPalette label1Palette = Label1->palette();
    label1Palette.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(label1Palette);
    // The window's face is the button colour, so children would draw their
    // text in the button-text colour unless told otherwise.
    Label1->setForegroundRole(QPalette::WindowText);
    Label1->move(8, 72);
    Label1->adjustSize();

    // The sessions step's scratch list; the user never sees it.
    ListBoxPlanti = new QListWidget(Draw3D1);
    ListBoxPlanti->setObjectName(QStringLiteral("ListBoxPlanti"));
    ListBoxPlanti->setGeometry(576, 4, 49, 29);
    ListBoxPlanti->setSortingEnabled(true);
    ListBoxPlanti->hide();

    connect(BExportar, &QPushButton::clicked, this, &TMForm::BExportarClick);
    connect(BImportar, &QPushButton::clicked, this, &TMForm::BImportarClick);
    connect(Button1, &QPushButton::clicked, this, &TMForm::Button1Click);
    connect(BClose, &QPushButton::clicked, this, &QWidget::close);

    auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    helpKey->setContext(Qt::WindowShortcut);
    connect(helpKey, &QShortcut::activated, this, &TMForm::showHelpTopic);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TMForm::FormCreate() {
    // The controller has fixed the mode and the outcome's start. The chosen
    // side fills the window, in front of the bottom strip, whose buttons it
    // covers: they take no focus then (their keys still work).
    GradientPanel* shown = nullptr;
    if (!controller_.showsSide(Direction::Export)) {
        Draw3D2->hide();
        shown = Draw3D3;
    }
    if (!controller_.showsSide(Direction::Import)) {
        Draw3D3->hide();
        shown = Draw3D2;
    }
    if (shown != nullptr) {
        shown->setGeometry(0, 0, kClientWidth, kClientHeight);
        shown->raise();
        Button1->setFocusPolicy(Qt::NoFocus);
        BClose->setFocusPolicy(Qt::NoFocus);
    }
}

void TMForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    FormShow();
}

void TMForm::FormShow() {
    const std::optional<Direction> direction = controller_.soleDirection();
    if (!direction) {
        return;
    }
    // The run at show comes before the window: its dialogs and messages
    // first, then the window, unless the run closes it, or the run takes long
    // enough to show its progress.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    startRun([this](RunUi& ui) { controller_.firstShown(ui); }, *direction);
}

void TMForm::appear() {
    if (!testAttribute(Qt::WA_DontShowOnScreen)) {
        return;
    }
    setAttribute(Qt::WA_DontShowOnScreen, false);
    if (isVisible()) {
        hide();
        show();
    }
}

void TMForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run is not cut short: the window closes once it is over.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

bool TMForm::FormClose() {
    return controller_.closing(*dialogs_);
}

void TMForm::BExportarClick() {
    startRun([this](RunUi& ui) { controller_.run(Direction::Export, ui); }, Direction::Export);
}

void TMForm::BImportarClick() {
    startRun([this](RunUi& ui) { controller_.run(Direction::Import, ui); }, Direction::Import);
}

void TMForm::startRun(std::function<void(RunUi&)> work, Direction direction) {
    if (running_) {
        return;
    }
    running_ = true;
    closeRequested_ = false;
    runError_.clear();
    step_.clear();
    activeProgress_ = direction == Direction::Export ? ProgressExportar : ProgressImportar;
    runUi_ = std::make_unique<WindowRunUi>(*this, *dialogs_);

    worker_.reset(QThread::create([this, work = std::move(work)] {
        // The controller shows the errors of the run; anything else ends here.
        try {
            work(*runUi_);
        } catch (...) {
            runError_ = "Error inesperado.";
        }
    }));
    connect(worker_.get(), &QThread::finished, this, &TMForm::runEnded, Qt::QueuedConnection);
    worker_->start();
}

void TMForm::runEnded() {
    worker_->wait();
    worker_.reset();
    runUi_.reset();
    hideProgress();
    if (hourglassOn_) {
        setHourglass(false);
    }
    running_ = false;
    if (!runError_.empty()) {
        dialogs_->showError(runError_);
    }
    if (closeRequested_) {
        closeRequested_ = false;
        if (close()) {
            emit runFinished();
            return;
        }
    }
    // Stopped by an error, not closed, or the outcome could not be recorded.
    appear();
    emit runFinished();
}

void TMForm::progress(const std::string& step, std::size_t done, std::size_t total) {
    step_ = step;
    stepDone_ = done;
    stepTotal_ = total;
    if (!runClock_.isValid()) {
        runClock_.start();
        progressDelay_.start(kProgressDelayMs);
    }
    if (activeProgress_ != nullptr && activeProgress_->isVisible()) {
        showProgressBar();
    }
    dialogs_->progress(step, done, total);
}

void TMForm::showProgressBar() {
    if (!running_ || activeProgress_ == nullptr) {
        return;
    }
    activeProgress_->setRange(0, static_cast<int>(stepTotal_));
    activeProgress_->setValue(static_cast<int>(stepDone_));
    activeProgress_->setFormat(
        QStringLiteral("%1 (%2 de %3)").arg(fromUtf8(step_)).arg(stepDone_ + 1).arg(stepTotal_));
    activeProgress_->show();
    appear();
}

void TMForm::hideProgress() {
    progressDelay_.stop();
    runClock_.invalidate();
    ProgressExportar->hide();
    ProgressImportar->hide();
}

void TMForm::Button1Click() {
    setApplicationHelpFile(QString::fromLatin1(kHelpFileName));
    if (!help_->showContents(applicationHelpFile())) {
        tellWhereTheHelpIs();
    }
}

void TMForm::showHelpTopic() {
    int context = kMainHelpContext;
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr && isAncestorOf(widget);
         widget = widget->parentWidget()) {
        if (const QVariant value = widget->property(kHelpContextProperty); value.isValid()) {
            context = value.toInt();
            break;
        }
    }
    if (!help_->showTopic(applicationHelpFile(), context)) {
        tellWhereTheHelpIs();
    }
}

void TMForm::tellWhereTheHelpIs() {
    dialogs_->showMessage(
        helpUnavailableMessage(QDir::toNativeSeparators(resolveHelpFile(applicationHelpFile())).toStdString(),
                               QDir::toNativeSeparators(helpPagesDirectory()).toStdString()));
}

void TMForm::setHourglass(bool on) {
    if (on != hourglassOn_) {
        hourglassOn_ = on;
        if (on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    }
    // Also when it was never on: a run that failed before taking it may
    // have started the progress clock.
    if (!on) {
        hideProgress();
    }
    dialogs_->setHourglass(on);
}

void TMForm::closeWindow() {
    dialogs_->closeWindow();
    // The window closes once the run is over.
    closeRequested_ = true;
}

} // namespace vinculor
