#pragma once

#include "run/RunSummary.h"

#include <QDialog>
#include <QString>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QUrl;

namespace vinculor {

// The message that ends a completed run: its text and the one button that
// closes it (Enter closes it), and beside them the run's whole report,
// resizable, with "Copiar", "Guardar informe..." and, when the import wrote a
// timetable document, "Ver horario".
class RunReportDialog : public QDialog {
    Q_OBJECT

public:
    // Asks where to save the report, `suggested` first; empty when cancelled.
    using SaveLocationChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    using Opener = std::function<bool(const QUrl&)>;

    RunReportDialog(const QString& text, const RunSummary& summary, QWidget* parent = nullptr);

    QString reportText() const { return report_; }
    // For tests and for desktops that want their own: where the report is saved and how a file is opened.
    void setSaveLocationChooser(SaveLocationChooser chooser) { chooseSaveLocation_ = std::move(chooser); }
    void setOpener(Opener opener) { open_ = std::move(opener); }

    // Writes the report as UTF-8 text; false (after telling the user) when it could not.
    bool saveTo(const QString& path);

private slots:
    void copyReport();
    void saveReport();
    void openTimetable();

private:
    QString report_;
    QString timetableFile_;
    QString suggestedReportFile_;
    SaveLocationChooser chooseSaveLocation_;
    Opener open_;
};

} // namespace vinculor
