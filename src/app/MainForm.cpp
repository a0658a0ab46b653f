#include "MainForm.h"

#include "ButtonGlyphs.h"
#include "GradientPanel.h"
#include "HelpViewer.h"
#include "export/ExportRun.h"
#include "files/FileSystem.h"
#include "files/IniFile.h"
#include "import/ImportRun.h"
#include "run/HoraviaDirectory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <exception>
#include <string>

namespace vinculor {

namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 266;
constexpr int kCommandLineParameters = 2;

constexpr char kSettingsFileName[] = "Horavia.ini";
constexpr char kSettingsSection[] = "Transformadores";
constexpr char kSettingsKey[] = "Transformado";

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

std::filesystem::path defaultSettingsFile() {
    const QString path =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kSettingsFileName));
    return files::fromUtf8(QDir::toNativeSeparators(path).toStdString());
}

} // namespace

TMForm::TMForm(Setup setup)
    : parameters_(std::move(setup.parameters)), dialogs_(setup.dialogs), help_(setup.help),
      settingsFile_(setup.settingsFile.empty() ? defaultSettingsFile() : std::move(setup.settingsFile)),
      exportRun_(setup.exportRun ? std::move(setup.exportRun) : RunFunction(&exporting::runExport)),
      importRun_(setup.importRun ? std::move(setup.importRun) : RunFunction(&importing::runImport)) {
    if (help_ == nullptr) {
        systemHelp_ = makeSystemHelpViewer(this);
        help_ = systemHelp_.get();
    }
    state_.horaviaDir = horaviaDirectory();
    state_.tables.bindAll(state_.horaviaDir);

    buildControls();
    FormCreate();
}

TMForm::~TMForm() {
    if (hourglassOn_) {
        QApplication::restoreOverrideCursor();
    }
}

void TMForm::buildControls() {
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(QStringLiteral("Exportar e importar datos entre Horavia y Pincel-eKade"));
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

QString TMForm::commandWord() const {
    if (parameters_.size() != kCommandLineParameters) {
        return {};
    }
    QString word = parameters_.front();
    for (QChar& c : word) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() - u'A' + u'a');
        }
    }
    return word;
}

void TMForm::FormCreate() {
    state_.TransformStatus = 0;
    if (parameters_.size() == kCommandLineParameters) {
        state_.LaunchedWithParams = kCommandLineParameters;
        // The chosen side fills the window, in front of the bottom strip.
        if (commandWord() == QLatin1String("importar")) {
            Draw3D2->hide();
            Draw3D3->setGeometry(0, 0, kClientWidth, kClientHeight);
            Draw3D3->raise();
        }
        if (commandWord() == QLatin1String("exportar")) {
            Draw3D3->hide();
            Draw3D2->setGeometry(0, 0, kClientWidth, kClientHeight);
            Draw3D2->raise();
        }
    }
    state_.ShortCodes.clear();
    state_.LongCodes.clear();
}

void TMForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    inFormShow_ = true;
    FormShow();
    inFormShow_ = false;
    if (closeRequestedWhileShowing_) {
        // The run has ended the program's work before the window appeared: it
        // is closed without ever being put on the screen.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        QMetaObject::invokeMethod(this, &TMForm::finishCloseRequestedWhileShowing, Qt::QueuedConnection);
    }
}

void TMForm::FormShow() {
    // The parameters are counted again here, as the timetabling program expects.
    if (parameters_.size() != kCommandLineParameters) {
        return;
    }
    if (commandWord() == QLatin1String("importar")) {
        BImportarClick();
    }
    if (commandWord() == QLatin1String("exportar")) {
        BExportarClick();
    }
}

void TMForm::finishCloseRequestedWhileShowing() {
    closeRequestedWhileShowing_ = false;
    if (!close()) {
        // The outcome could not be recorded: the window stays, and now appears.
        setAttribute(Qt::WA_DontShowOnScreen, false);
        hide();
        show();
    }
}

void TMForm::closeEvent(QCloseEvent* event) {
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

bool TMForm::FormClose() {
    if (!state_.commandLineMode()) {
        return true;
    }
    try {
        ini::writeValue(settingsFile_, kSettingsSection, kSettingsKey,
                        std::to_string(state_.TransformStatus));
        return true;
    } catch (const std::exception& e) {
        showError(e.what());
        return false;
    }
}

void TMForm::BExportarClick() {
    startRun(exportRun_);
}

void TMForm::BImportarClick() {
    startRun(importRun_);
}

void TMForm::startRun(const RunFunction& run) {
    if (state_.commandLineMode()) {
        // The timetabling program must not read an earlier run's outcome if
        // this one never gets to record its own (a crash, a power cut): the
        // file says 0 until the window closes with the outcome. Best effort:
        // when the file cannot be written, closing says so.
        try {
            ini::writeValue(settingsFile_, kSettingsSection, kSettingsKey, "0");
        } catch (const std::exception&) {
        }
    }
    try {
        run(state_, *this);
    } catch (const std::exception& e) {
        if (hourglassOn_) {
            setHourglass(false);
        }
        showError(e.what());
    }
}

void TMForm::Button1Click() {
    setApplicationHelpFile(QString::fromLatin1(kHelpFileName));
    help_->showContents(applicationHelpFile());
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
    help_->showTopic(applicationHelpFile(), context);
}

std::optional<std::string> TMForm::chooseXmlFile() {
    if (dialogs_ != nullptr) {
        return dialogs_->chooseXmlFile();
    }
    QFileDialog dialog(this, QString::fromUtf8(kOpenDialogTitle));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name typed for a file that does not exist is accepted: the run reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kOpenDialogFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(kOpenDialogDefaultExtension));
    if (!state_.filenameXML.empty()) {
        dialog.selectFile(fromUtf8(state_.filenameXML));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

void TMForm::showMessage(const std::string& text, const std::string& details) {
    if (dialogs_ != nullptr) {
        dialogs_->showMessage(text, details);
        return;
    }
    QString shown = fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), shown, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    if (!details.empty()) {
        box.setDetailedText(fromUtf8(details));
    }
    box.exec();
}

void TMForm::showError(const std::string& text) {
    if (dialogs_ != nullptr) {
        dialogs_->showError(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), fromUtf8(text),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
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
    if (dialogs_ != nullptr) {
        dialogs_->setHourglass(on);
    }
}

void TMForm::closeWindow() {
    if (dialogs_ != nullptr) {
        dialogs_->closeWindow();
    }
    if (inFormShow_) {
        closeRequestedWhileShowing_ = true;
        return;
    }
    close();
}

} // namespace vinculor
