#include "app/fMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(TformMain::kAppTitle));
    TformMain formMain;
    formMain.show();
    return app.exec();
}
