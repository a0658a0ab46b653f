#include "RunReportDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vinculor {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* makeButton(const char* name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(true);
    return button;
}

} // namespace

RunReportDialog::RunReportDialog(const QString& text, const RunSummary& summary, QWidget* parent)
    : QDialog(parent), report_(fromUtf8(summary.toText())), timetableFile_(fromUtf8(summary.timetableFile)) {
    setObjectName(QStringLiteral("RunReport"));
    setWindowTitle(QApplication::applicationName());
    setSizeGripEnabled(true);

    const QFileInfo input(fromUtf8(summary.inputFile));
    const QString folder = summary.inputFile.empty() ? QDir::homePath() : input.absolutePath();
    suggestedReportFile_ = QDir(folder).filePath(
        QStringLiteral("Informe-%1-%2.txt")
            .arg(fromUtf8(summary.direction),
                 input.completeBaseName().isEmpty() ? QStringLiteral("vinculor") : input.completeBaseName()));

    // The message and its one button.
    auto* message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("message"));
    message->setTextFormat(Qt::PlainText);
    auto* close = makeButton("close", QStringLiteral("Aceptar"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* messageColumn = new QVBoxLayout;
    messageColumn->addWidget(message);
    messageColumn->addStretch();
    messageColumn->addWidget(close);

    // The report beside it.
    auto* report = new QPlainTextEdit(this);
    report->setObjectName(QStringLiteral("report"));
    report->setReadOnly(true);
    report->setPlainText(report_);
    report->setLineWrapMode(QPlainTextEdit::NoWrap);
    report->setFocusPolicy(Qt::ClickFocus);
    auto* copy = makeButton("copy", QStringLiteral("&Copiar"), this);
    connect(copy, &QPushButton::clicked, this, &RunReportDialog::copyReport);
    auto* save = makeButton("save", QStringLiteral("&Guardar informe..."), this);
    connect(save, &QPushButton::clicked, this, &RunReportDialog::saveReport);
    auto* reportButtons = new QHBoxLayout;
    reportButtons->addWidget(copy);
    reportButtons->addWidget(save);
    if (!timetableFile_.isEmpty()) {
        auto* timetable = makeButton("timetable", QStringLiteral("&Ver horario"), this);
        connect(timetable, &QPushButton::clicked, this, &RunReportDialog::openTimetable);
        reportButtons->addWidget(timetable);
    }
    reportButtons->addStretch();
    auto* reportColumn = new QVBoxLayout;
    reportColumn->addWidget(report, 1);
    reportColumn->addLayout(reportButtons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(messageColumn);
    layout->addLayout(reportColumn, 1);
    resize(680, 380);
    close->setFocus();

    chooseSaveLocation_ = [](QWidget* owner, const QString& suggested) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("Guardar informe"), suggested,
                                            QStringLiteral("Texto (*.txt)"));
    };
    open_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void RunReportDialog::copyReport() {
    QApplication::clipboard()->setText(report_);
}

void RunReportDialog::saveReport() {
    const QString path = chooseSaveLocation_(this, suggestedReportFile_);
    if (!path.isEmpty()) {
        saveTo(path);
    }
}

bool RunReportDialog::saveTo(const QString& path) {
    QFile file(path);
    QByteArray bytes = report_.toUtf8();
#ifdef _WIN32
    bytes.replace("\n", "\r\n");
#endif
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
        file.flush()) {
        file.close();
        return true;
    }
    QMessageBox box(QMessageBox::Critical, windowTitle(),
                    QStringLiteral("No se ha podido guardar el informe en «%1»: %2\nElija otra carpeta.")
                        .arg(QDir::toNativeSeparators(path), file.errorString()),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("saveError"));
    box.exec();
    return false;
}

void RunReportDialog::openTimetable() {
    if (!open_(QUrl::fromLocalFile(timetableFile_))) {
        QMessageBox box(
            QMessageBox::Warning, windowTitle(),
            QStringLiteral("No se ha podido abrir el horario «%1» en el navegador: ábralo desde su "
                           "carpeta.")
                .arg(QDir::toNativeSeparators(timetableFile_)),
            QMessageBox::Ok, this);
        box.exec();
    }
}

} // namespace vinculor
