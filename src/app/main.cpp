#include "app/fMain.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(TformMain::kAppTitle));
    // The interface is Russian: standard buttons ("Да", "Нет", "Отмена") and
    // file dialogs follow it whatever the system language.
    QTranslator qtRussian;
    if (qtRussian.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtRussian);
    TformMain formMain;
    formMain.show();
    return app.exec();
}
