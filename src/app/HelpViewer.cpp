#include "HelpViewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vinculor {

namespace {

QString& helpFileSetting() {
    static QString fileName = QString::fromLatin1(kHelpFileName);
    return fileName;
}

#ifdef _WIN32

// hhctrl.ocx is loaded when first needed, so that the program starts without it.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
constexpr UINT kHhDisplayToc = 0x0001;
constexpr UINT kHhHelpContext = 0x000F;

HtmlHelpFunction htmlHelp() {
    static const HtmlHelpFunction function = []() -> HtmlHelpFunction {
        HMODULE module = LoadLibraryW(L"hhctrl.ocx");
        if (module == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
    }();
    return function;
}

// HTML Help keeps one window per owner: a second request reuses it. Where it
// cannot show the file (no hhctrl.ocx, no EKADE.chm) the pages go to the browser.
class HtmlHelpViewer : public HelpViewer {
public:
    explicit HtmlHelpViewer(QWidget* owner) : owner_(owner), pages_(helpPagesDirectory()) {}

    bool showContents(const QString& helpFile) override {
        return call(helpFile, kHhDisplayToc, 0) || pages_.showContents(helpFile);
    }
    bool showTopic(const QString& helpFile, int context) override {
        return call(helpFile, kHhHelpContext, static_cast<DWORD_PTR>(context)) ||
               pages_.showTopic(helpFile, context);
    }

private:
    bool call(const QString& helpFile, UINT command, DWORD_PTR data) {
        const HtmlHelpFunction function = htmlHelp();
        const QString path = QDir::toNativeSeparators(resolveHelpFile(helpFile));
        if (function == nullptr || !QFileInfo(path).isFile()) {
            return false;
        }
        HWND window = owner_ != nullptr ? reinterpret_cast<HWND>(owner_->winId()) : nullptr;
        return function(window, reinterpret_cast<LPCWSTR>(path.utf16()), command, data) != nullptr;
    }

    QWidget* owner_;
    BrowserHelpViewer pages_;
};

#endif

// Hands the page to the desktop: on Windows and macOS the system opens it and
// says whether it could; elsewhere the desktop's launcher is watched.
bool openWithDesktop(const QUrl& page, const std::function<void()>& failedLater) {
#if defined(_WIN32) || defined(__APPLE__)
    (void)failedLater;
    return QDesktopServices::openUrl(page);
#else
    static DesktopLauncher launcher;
    return launcher.open(page, failedLater);
#endif
}

} // namespace

void setApplicationHelpFile(const QString& fileName) {
    helpFileSetting() = fileName;
}

QString applicationHelpFile() {
    return helpFileSetting();
}

QString resolveHelpFile(const QString& fileName) {
    if (QFileInfo(fileName).isAbsolute()) {
        return fileName;
    }
    return QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
}

QString helpPagesDirectory() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kHelpPagesFolder));
}

DesktopLauncher::DesktopLauncher(QString program) : program_(std::move(program)) {}

bool DesktopLauncher::open(const QUrl& page, const std::function<void()>& failedLater) {
    if (running_ && running_->state() != QProcess::NotRunning && runningPage_ == page) {
        return true;
    }
    // Without a parent: a browser the launcher runs in the foreground outlives
    // the program (a process deleted with its parent would be killed).
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process,
                     [process, failedLater](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || exitCode != 0) {
                             failedLater();
                         }
                         process->deleteLater();
                     });
    process->start(program_, {page.toString()});
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    running_ = process;
    runningPage_ = page;
    return true;
}

BrowserHelpViewer::BrowserHelpViewer(QString pagesDirectory, Opener open)
    : pagesDirectory_(std::move(pagesDirectory)), open_(open ? std::move(open) : Opener(&openWithDesktop)) {}

bool BrowserHelpViewer::showContents(const QString& /*helpFile*/) {
    return openPage(kHelpContentsPage);
}

bool BrowserHelpViewer::showTopic(const QString& /*helpFile*/, int context) {
    return openPage(helpPageForContext(context));
}

bool BrowserHelpViewer::openPage(const std::string& page) {
    const QString path = QDir(pagesDirectory_).filePath(QString::fromStdString(page));
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    return open_(QUrl::fromLocalFile(path), [this] { failedLate(); });
}

std::unique_ptr<HelpViewer> makeSystemHelpViewer(QWidget* owner) {
#ifdef _WIN32
    return std::make_unique<HtmlHelpViewer>(owner);
#else
    (void)owner;
    return std::make_unique<BrowserHelpViewer>(helpPagesDirectory());
#endif
}

} // namespace vinculor
