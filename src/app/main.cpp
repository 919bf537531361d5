// Program entry: the data module and the windows, then the message loop.
#include "Application.h"
#include "Arbeitsordner.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Main.h"
#include "Passwort.h"
#include "Session.h"
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    UseProgramName();
    QApplication::setDesktopFileName(QStringLiteral("tarvos-maschinenpark"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tarvos-maschinenpark.svg")));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtGerman;
    if (qtGerman.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtGerman);

    Session().OnLogin = TServerLoginDlg::Ask;
    try {
        ArbeitsordnerEinrichten(Arbeitsordner(AktuellerStartOrt(QStringLiteral(TARVOS_INSTALL_BINDIR))));
        CreateForms();
    } catch (const std::exception& e) {
        MessageDlg(QStringLiteral("Die Daten des Maschinenparks können nicht geöffnet werden:\r%1\r"
                                  "Das Programm wird beendet.")
                       .arg(ExceptionText(e)),
                   mtError, mbOK);
        return 1;
    }
    HauptFormular->show();
    // Without a window manager nobody else gives the window the focus.
    HauptFormular->raise();
    HauptFormular->activateWindow();
    const int result = app.exec();
    FreeForms();
    return result;
}
