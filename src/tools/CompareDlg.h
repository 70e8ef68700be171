#pragma once
#include <QDialog>
#include <QList>
#include <QString>
#include <memory>

#include "tools/SettingsCompare.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TformIncl;
class TReadCapture;
class TShadowPages;
class TToolRunner;

// "Сравнить с устройством": the tracker's settings beside the pages' (or a
// settings file's), the differing ones marked; writes only those, or takes
// the tracker's values onto the pages.
class TdlgCompare : public QDialog
{
    Q_OBJECT
  public:
    // Refused while the tracker is being talked to.
    void reject() override;
    TdlgCompare(const QList<TformIncl *> &pages, TToolRunner *runner, QWidget *parent = nullptr);
    ~TdlgCompare() override;

    QRadioButton *rbPages = nullptr;
    QRadioButton *rbFile = nullptr;
    QPushButton *btnFile = nullptr;
    QLabel *lbFile = nullptr;
    QPushButton *btnRead = nullptr;
    QTableWidget *Grid = nullptr;
    QLabel *lbSummary = nullptr;
    QPushButton *btnWrite = nullptr;
    QPushButton *btnTake = nullptr;
    QPushButton *btnClose = nullptr;

    // Chooses a settings file; replaceable by tests. Empty on cancel.
    std::function<QString()> ChooseFile;

    // Reads the tracker and compares; false when it could not start.
    bool StartCompare();
    bool StartWriteDifferences();
    void TakeTrackerValues();
    bool Busy() const { return busy_; }
    const QList<settingscompare::TRow> &Rows() const { return rows_; }
    QString FilePath() const { return file_; }
    void SetFile(const QString &path);

    // Column texts of a row, as the table shows them.
    QStringList RowTexts(int row) const;


  private:
    void CompareDone(const QString &error);
    void WriteDone(const QString &error, const QHash<QString, bool> &results);
    void Fill();
    void SetBusy(bool busy, const QString &text = {});
    void UpdateButtons();
    QList<TformIncl *> WritePages() const;
    QObject *VisibleTwin(const QObject *shadow) const;

    QList<TformIncl *> pages_;
    TToolRunner *runner_;
    QString file_;
    bool fromFile_ = false; // the rows compare with the file
    std::unique_ptr<TShadowPages> reference_;
    std::unique_ptr<TShadowPages> tracker_;
    std::unique_ptr<TReadCapture> capture_;
    QList<settingscompare::TRead> reads_;
    settingscompare::TWriteImage refImage_;
    QList<settingscompare::TRow> rows_;
    QHash<QString, QString> outcome_; // setting → what the last write did
    bool busy_ = false;
    bool compared_ = false;
};
