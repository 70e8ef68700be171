#pragma once
#include "pages/fIn.h"

#include <QDateTime>
#include <functional>

class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// Almanac and ephemeris of the tracker's GPS receiver into a file and back.
// The page names the files and starts the worker commands 28 and 29.
class TformGPS : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformGPS(QWidget *parent = nullptr);

    QGroupBox *RzGroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *etSave = nullptr;
    QToolButton *RzBitBtn1 = nullptr;
    QPushButton *btnSaveAlEp = nullptr;
    QLabel *lbSaveResult = nullptr; // what the last save found
    QLabel *Label2 = nullptr;
    QLineEdit *etLoad = nullptr;
    QToolButton *RzBitBtn2 = nullptr;
    QPushButton *btnLoadAlEp = nullptr;
    QLabel *lbLoadResult = nullptr; // what the last load sent

    static const QString DialogTitle, DialogFilter;

    // Posts a worker command; set by the session. False when no session runs
    // or the worker is busy, so nothing is posted.
    std::function<bool(unsigned char code)> PostCommand;
    // Shows a file dialog and returns the chosen file, empty on cancel;
    // replaceable so tests can answer it.
    std::function<QString(QFileDialog &)> ExecFileDialog;
    // The computer's time for the receiver; replaceable by tests.
    std::function<QDateTime()> UtcNow;

    void btnSaveAlEpClick();
    void btnLoadAlEpClick();
    void RzBitBtn1Click();
    void RzBitBtn2Click();

    // Worker thread.
    bool RunCommand(unsigned char code, TPageContext &ctx) override;
    void SaveGpsData(TPageContext &ctx);
    void LoadGpsData(TPageContext &ctx);

  private:
    QString chooseFile(bool save);
    void putButtons(TPageContext &ctx, bool enabled);
};
