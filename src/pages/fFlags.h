#pragma once
#include "pages/fIn.h"

#include <functional>

class QGroupBox;
class QGridLayout;
class QLabel;
class QPainter;
class QPushButton;
class QTableWidget;
class TShape;
struct TPageContext;

class TformFlags : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformFlags(QWidget *parent = nullptr);

    // The base step, then every circle white.
    void BeginRead() override;

    // Column 2 ("Батарея разряжена") and its circle, for firmware that
    // reports the battery flag.
    void SetBatteryColumnShown(bool shown);
    bool BatteryColumnShown() const { return m_battery; }

    // Posts the reset to the worker; set by the session. Returns false when
    // no session runs or the worker is busy, so nothing is posted.
    std::function<bool()> PostResetFlags;
    void btnRSTClick();
    void AllCirclesWhite();
    void StringGrid1DrawCell(QPainter *painter, const QRect &rect, int row, int column);

    // Worker thread: read "MFLAG" into the circles; send the reset.
    void ReadFlags(TPageContext &ctx);
    void ResetFlags(TPageContext &ctx);
    void Read(TPageContext &ctx) override { ReadFlags(ctx); }
    // The flags are only read and reset, never written.
    bool WrittenByWriteAll() const override { return false; }
    bool RunCommand(unsigned char code, TPageContext &ctx) override;

    QGroupBox *GroupBox1 = nullptr;
    QTableWidget *StringGrid1 = nullptr;
    QLabel *Label2 = nullptr; // triggering row
    TShape *shs1 = nullptr;
    TShape *shs2 = nullptr;
    TShape *sh = nullptr;
    QLabel *Label1 = nullptr; // restoring row
    TShape *shv1 = nullptr;
    TShape *shv2 = nullptr;
    QLabel *lbbtnRST = nullptr;
    QPushButton *btnRST = nullptr;

    static constexpr int kColumnWidth = 64;
    static constexpr int kBatteryColumnWidth = 105;

  private:
    TShape *makeCircle(const QString &name, const QString &accessibleName);
    void fitGrid();
    QGridLayout *m_layout = nullptr;
    bool m_battery = false;
};
