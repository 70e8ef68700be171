// Time to drain 1023 queued elements of mixed kinds into real widgets (the
// most the queue held per timer tick before it could grow). Target: under 20 ms.
#include "session/OutArray.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *memo = new QPlainTextEdit;
    auto *label = new QLabel("label");
    auto *edit = new QLineEdit;
    auto *check = new QCheckBox("check");
    auto *spin = new QSpinBox;
    spin->setRange(0, 100000);
    auto *combo = new QComboBox;
    combo->addItems({"a", "b", "c", "d"});
    auto *status = new QLabel;
    auto *grid = new QTableWidget(64, 8);
    auto *list = new QTreeWidget;
    list->setColumnCount(4);
    for (QWidget *w : std::initializer_list<QWidget *>{memo, label, edit, check, spin, combo,
                                                       status, grid, list})
        layout->addWidget(w);
    window.resize(900, 1200);
    window.show();
    app.processEvents();

    constexpr int kElements = 1023;
    constexpr int kRounds = 30;
    std::vector<double> ms;
    TOutArray out;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kElements; ++i) {
            switch (i % 10) {
            case 0:
            case 1:
            case 2:
            case 3:
                out.PutMemoLine(memo, "#Modem<-: +object=" + QString::number(i));
                break;
            case 4:
                out.PutText(edit, QString::number(i));
                break;
            case 5:
                out.PutBool(check, i % 20 == 5);
                break;
            case 6:
                out.PutNumber(i % 20 == 6 ? static_cast<QObject *>(spin) : combo, i % 4);
                break;
            case 7:
                out.PutLabelColor(label, i % 20 == 7 ? "clBlue" : "clRed");
                break;
            case 8:
                out.PutGridCell(grid, QString::number(i), i % 64, i % 8);
                break;
            default:
                if (i % 20 == 9)
                    out.PutStatus(QString::number(i), status);
                else
                    out.PutListRow(list, QString::number(i), {"a", "b", "c"});
            }
        }
        QElapsedTimer timer;
        timer.start();
        const int n = out.Drain(&window, "T3config");
        app.processEvents(); // the window repaints what changed, as after a timer tick
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (n != kElements) {
            std::fprintf(stderr, "drained %d of %d\n", n, kElements);
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("outarray drain of %d mixed elements into widgets (incl. repaint): "
                "median %.2f ms, best %.2f ms, worst %.2f ms over %d rounds (target < 20 ms)\n",
                kElements, ms[ms.size() / 2], ms.front(), ms.back(), kRounds);
    return 0;
}
