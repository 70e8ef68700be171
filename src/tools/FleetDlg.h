#pragma once
#include <QDialog>
#include <QList>
#include <functional>
#include <memory>

#include "tools/FleetReport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QTimer;
class TFleetRun;
class TformIncl;
class TOutArray;

// "Записать в несколько устройств…": a settings file, a list of numbers,
// the port and the registration wait; then the run's progress and, at the
// end, the report table, saved as CSV.
class TdlgFleet : public QDialog
{
    Q_OBJECT
  public:
    // Refused while the tracker is being talked to.
    void reject() override;
    TdlgFleet(const QList<TformIncl *> &pages, QObject *memo, TOutArray *windowOut,
              QWidget *parent = nullptr);
    ~TdlgFleet() override;

    // Set-up.
    QPushButton *btnSettings = nullptr;
    QLabel *lbSettings = nullptr;
    QPlainTextEdit *meNumbers = nullptr;
    QPushButton *btnNumbersFile = nullptr;
    QComboBox *ComPorts = nullptr;
    QCheckBox *cbRegWait = nullptr;
    QPushButton *btnStart = nullptr;
    // Progress.
    QLabel *lbNumber = nullptr;
    QLabel *lbStep = nullptr;
    QLabel *lbCount = nullptr;
    QProgressBar *pbDone = nullptr;
    QPushButton *btnCancel = nullptr;
    // Report.
    QTableWidget *Report = nullptr;
    QLabel *lbReport = nullptr;
    QPushButton *btnSaveCsv = nullptr;
    QPushButton *btnClose = nullptr;

    // File choosers and message boxes; replaceable by tests.
    std::function<QString(bool csv)> ChooseFile; // csv: the report's path to save
    std::function<void(const QString &)> ShowError;

    void SetSettingsFile(const QString &path);
    bool LoadNumbersFile(const QString &path);
    // Starts the run; false (nothing dialled) when the input is refused.
    bool Start();
    bool Running() const;
    QList<TFleetResult> Results() const { return results_; }
    // Where the report was saved at the end (empty when it could not be).
    QString CsvPath() const { return csvPath_; }
    bool SaveCsv(const QString &path);


  private:
    void UpdateProgress();
    void Finished();
    void Error(const QString &text);

    QList<TformIncl *> pages_;
    QObject *memo_;
    TOutArray *windowOut_;
    QStackedWidget *stack_ = nullptr;
    QString settingsFile_;
    std::unique_ptr<TFleetRun> run_;
    QTimer *drain_ = nullptr;
    QList<TFleetResult> results_;
    QString csvPath_;
};
