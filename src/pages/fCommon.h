#pragma once
#include "pages/fIn.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
struct TPageContext;

class TformCommon : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformCommon(QWidget *parent = nullptr);

    void LoadFromIni(TIniFile &ini) override;
    void SaveToIni(TIniFile &ini) override;

    // The points-interval row is a setting of the tool kept in the ini file;
    // it decides whether "timefix" is exchanged at all.
    bool PointsIntervalShown() const { return m_pointsInterval; }
    void SetPointsIntervalShown(bool shown);
    // The 3D-fix row, shown for firmware that has the filter.
    void SetFixTridShown(bool shown);

    void etPIChange();

    // Worker thread.
    void Read(TPageContext &ctx) override { ReadCommon(ctx); }
    void Write(TPageContext &ctx) override { WriteCommon(ctx); }
    void ReadCommon(TPageContext &ctx);
    void WriteCommon(TPageContext &ctx);

    QGroupBox *GroupBox1 = nullptr;
    QLabel *lbetObjNum = nullptr;
    QLineEdit *etObjNum = nullptr;
    QLabel *lbetLat = nullptr;
    QLineEdit *etLat = nullptr;
    QLabel *lbetLon = nullptr;
    QLineEdit *etLon = nullptr;
    QLabel *lbPI = nullptr;
    QLineEdit *etPI = nullptr;
    QLabel *lbSgl = nullptr;
    QCheckBox *cbSgl = nullptr;
    QLabel *lbFixTrid = nullptr;
    QCheckBox *cbFixtrid = nullptr;

  private:
    void SetRowShown(QLabel *label, QWidget *field, bool shown);
    bool m_pointsInterval = false;
};
