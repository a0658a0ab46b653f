#include "QtRunUi.h"

#include "RunReportDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace vinculor {

namespace {

constexpr char kLastFileKey[] = "dialogo/ultimoArchivo";

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::unique_ptr<QSettings> openSettings(const QString& file) {
    if (!file.isEmpty()) {
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Vinculor"),
                                       QStringLiteral("Vinculor"));
}

QString caption() {
    return QString::fromUtf8(kApplicationTitle);
}

// A box whose text names paths and says what to do is given room for it,
// rather than Qt's narrow column.
void widenForLongText(QMessageBox& box) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(440, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
}

} // namespace

QtRunUi::QtRunUi(QWidget* owner, QString settingsFile)
    : owner_(owner), settingsFile_(std::move(settingsFile)) {}

QString QtRunUi::startFolder() const {
    const QString last = openSettings(settingsFile_)->value(QString::fromLatin1(kLastFileKey)).toString();
    if (!last.isEmpty()) {
        const QString folder = QFileInfo(last).absolutePath();
        if (QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

std::optional<std::string> QtRunUi::chooseXmlFile() {
    QFileDialog dialog(owner_, QString::fromUtf8(kOpenDialogTitle));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name typed for a file that does not exist is accepted: the run reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kOpenDialogFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(kOpenDialogDefaultExtension));
    dialog.setDirectory(startFolder());
    const QString last = openSettings(settingsFile_)->value(QString::fromLatin1(kLastFileKey)).toString();
    if (!last.isEmpty() && QFileInfo(last).isFile()) {
        dialog.selectFile(last);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().front();
    openSettings(settingsFile_)->setValue(QString::fromLatin1(kLastFileKey), chosen);
    return QDir::toNativeSeparators(chosen).toStdString();
}

void QtRunUi::showMessage(const std::string& text, const std::string& details) {
    QString shown = fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QMessageBox::NoIcon, caption(), shown, QMessageBox::Ok, owner_);
    box.setTextFormat(Qt::PlainText);
    if (!details.empty()) {
        box.setInformativeText(fromUtf8(details));
        widenForLongText(box);
    }
    box.exec();
}

void QtRunUi::showError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, caption(), fromUtf8(text), QMessageBox::Ok, owner_);
    box.setTextFormat(Qt::PlainText);
    widenForLongText(box);
    box.exec();
}

void QtRunUi::showReport(const std::string& text, const RunSummary& summary) {
    RunReportDialog dialog(fromUtf8(text), summary, owner_);
    dialog.exec();
}

} // namespace vinculor
