#include "ButtonGlyphs.h"
#include "HelpViewer.h"
#include "MainForm.h"
#include "run/RunUi.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

int main(int argc, char** argv) {
    // The parameters as the timetabling program passed them, taken before
    // Qt removes the options it knows from the command line.
    QStringList parameters;
    for (int i = 1; i < argc; ++i) {
        parameters << QString::fromLocal8Bit(argv[i]);
    }

    QApplication app(argc, argv);
    vinculor::setApplicationHelpFile(QString::fromLatin1(vinculor::kHelpFileName));
    // The title every message box carries; the window's caption stays its own.
    QApplication::setApplicationName(QString::fromUtf8(vinculor::kApplicationTitle));
    QApplication::setWindowIcon(vinculor::glyphs::windowIcon());

    // Qt's own texts (dialog buttons, the file dialog) in Spanish: the
    // translation installed beside the program, else Qt's own.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_es"), QCoreApplication::applicationDirPath() + "/translations") ||
        qtTexts.load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    vinculor::TMForm::Setup setup;
    setup.parameters = parameters;
    vinculor::TMForm MForm(std::move(setup));
    QObject::connect(&MForm, &vinculor::TMForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    MForm.show();
    return app.exec();
}
