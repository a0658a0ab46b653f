#include "HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#else
#include <QDesktopServices>
#include <QUrl>
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

class HtmlHelpViewer : public HelpViewer {
public:
    explicit HtmlHelpViewer(QWidget* owner) : owner_(owner) {}

    void showContents(const QString& helpFile) override { call(helpFile, kHhDisplayToc, 0); }
    void showTopic(const QString& helpFile, int context) override {
        call(helpFile, kHhHelpContext, static_cast<DWORD_PTR>(context));
    }

private:
    void call(const QString& helpFile, UINT command, DWORD_PTR data) {
        const HtmlHelpFunction function = htmlHelp();
        if (function == nullptr) {
            return;
        }
        const QString path = QDir::toNativeSeparators(resolveHelpFile(helpFile));
        HWND window = owner_ != nullptr ? reinterpret_cast<HWND>(owner_->winId()) : nullptr;
        function(window, reinterpret_cast<LPCWSTR>(path.utf16()), command, data);
    }

    QWidget* owner_;
};

#else

// Desktop viewers of compiled help open the file at its start; they know no
// context numbers, so a topic request opens the file too.
class DesktopHelpViewer : public HelpViewer {
public:
    void showContents(const QString& helpFile) override { open(helpFile); }
    void showTopic(const QString& helpFile, int /*context*/) override { open(helpFile); }

private:
    static void open(const QString& helpFile) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(resolveHelpFile(helpFile)));
    }
};

#endif

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

std::unique_ptr<HelpViewer> makeSystemHelpViewer(QWidget* owner) {
#ifdef _WIN32
    return std::make_unique<HtmlHelpViewer>(owner);
#else
    (void)owner;
    return std::make_unique<DesktopHelpViewer>();
#endif
}

} // namespace vinculor
