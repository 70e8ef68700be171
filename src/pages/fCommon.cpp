#include "pages/fCommon.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "device/DevTrevalo.h"
#include "pages/InputController.h"
#include "pages/PageExchange.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

namespace
{
const QString kPointsIntervalKey = QStringLiteral("PointsInterval");
constexpr int kMaxInterval = 255;
} // namespace

TformCommon::TformCommon(QWidget *parent)
    : TformIncl(QStringLiteral("formCommon"), QStringLiteral("Общие"), parent)
{
    GroupBox1 = addGroupBox(QStringLiteral("GroupBox1"), QStringLiteral("Общие"));
    etObjNum = addTextEdit(QStringLiteral("etObjNum"), QStringLiteral("Номер объекта"),
                           QStringLiteral("0050"), 4);
    etLat = addTextEdit(QStringLiteral("etLat"),
                        QStringLiteral("Смещение по широте (рекомендуется 230 соответствует "
                                       "приблизительно 50 метрам) Lat"),
                        QStringLiteral("230"), 4);
    etLon = addTextEdit(QStringLiteral("etLon"),
                        QStringLiteral("Смещение по долготе (рекомендуется 300 соответствует "
                                       "приблизительно 50 метрам) Lon"),
                        QStringLiteral("300"), 4);
    etPI =
        addTextEdit(QStringLiteral("etPI"), QStringLiteral("Интервал записи точек \"По времени\" "),
                    QStringLiteral("5"), 3, QStringLiteral("lbPI"));
    cbSgl = addCheckBox(QStringLiteral("cbSgl"), QString(), QStringLiteral("Сглаживание маршрута"),
                        QStringLiteral("false"), TControlKind::ckCheckBox, QStringLiteral("lbSgl"));
    cbFixtrid =
        addCheckBox(QStringLiteral("cbFixtrid"), QString(),
                    QStringLiteral("Включить внутренний фильтр по 3Dfix параметру "),
                    QStringLiteral("false"), TControlKind::ckCheckBox, QStringLiteral("lbFixTrid"));
    lbetObjNum = labelOf(etObjNum);
    lbetLat = labelOf(etLat);
    lbetLon = labelOf(etLon);
    lbPI = labelOf(etPI);
    lbSgl = labelOf(cbSgl);
    lbFixTrid = labelOf(cbFixtrid);

    InstallDigitsKeyFilter(etPI);
    connect(etPI, &QLineEdit::textChanged, this, [this] { etPIChange(); });

    SetRowShown(lbPI, etPI, false);
    SetRowShown(lbFixTrid, cbFixtrid, false);
}

void TformCommon::SetRowShown(QLabel *label, QWidget *field, bool shown)
{
    if (auto *form = qobject_cast<QFormLayout *>(GroupBox1->layout()))
        form->setRowVisible(field, shown);
    label->setVisible(shown);
    field->setVisible(shown);
}

void TformCommon::SetPointsIntervalShown(bool shown)
{
    m_pointsInterval = shown;
    SetRowShown(lbPI, etPI, shown);
}

void TformCommon::SetFixTridShown(bool shown)
{
    SetRowShown(lbFixTrid, cbFixtrid, shown);
}

void TformCommon::etPIChange()
{
    bool ok = false;
    const int v = etPI->text().toInt(&ok);
    if (!ok)
        etPI->setText(QStringLiteral("0"));
    else if (v > kMaxInterval)
        etPI->setText(QString::number(kMaxInterval));
}

void TformCommon::LoadFromIni(TIniFile &ini)
{
    TformIncl::LoadFromIni(ini);
    SetPointsIntervalShown(ini.ReadString(PageName(), kPointsIntervalKey, QString()) ==
                           QLatin1String("1"));
}

void TformCommon::SaveToIni(TIniFile &ini)
{
    TformIncl::SaveToIni(ini);
    ini.WriteString(PageName(), kPointsIntervalKey,
                    m_pointsInterval ? QStringLiteral("1") : QStringLiteral("0"));
}

// ---- worker thread ----

void TformCommon::ReadCommon(TPageContext &ctx)
{
    using PageIo::ReadInto;
    ReadInto(ctx, lbetObjNum, etObjNum, &TDevTrevalo::ReadObject);
    ReadInto(ctx, lbetLat, etLat, &TDevTrevalo::ReadLatit);
    ReadInto(ctx, lbetLon, etLon, &TDevTrevalo::ReadLongit);
    if (FromUi([this] { return m_pointsInterval; })) {
        // The field turns anything above 255 into 255.
        int interval = 0;
        const bool ok = ctx.Dev->ReadTimefix(interval);
        if (!ok)
            ctx.MarkLabel(lbPI, false);
        else if (PageIo::InRange(ctx, lbPI, QString::number(interval), interval, 0, kMaxInterval)) {
            ctx.MarkLabel(lbPI, true);
            PageIo::Put(ctx, etPI, interval);
        }
    }
    ReadInto(ctx, lbSgl, cbSgl, &TDevTrevalo::ReadTurn);
    if (ctx.AtLeast600(43))
        ReadInto(ctx, lbFixTrid, cbFixtrid, &TDevTrevalo::ReadFixtrid);
}

void TformCommon::WriteCommon(TPageContext &ctx)
{
    using namespace PageIo;
    TDevTrevalo &dev = *ctx.Dev;
    int n = 0;

    if (TakeNumber(ctx, lbetObjNum, {}, Text(etObjNum), 0, 9999, n))
        ctx.MarkLabel(lbetObjNum, dev.WriteObject(n));
    if (TakeNumber(ctx, lbetLat, {}, Text(etLat), 0, 65535, n))
        ctx.MarkLabel(lbetLat, dev.WriteLatit(n));
    if (TakeNumber(ctx, lbetLon, {}, Text(etLon), 0, 65535, n))
        ctx.MarkLabel(lbetLon, dev.WriteLongit(n));
    if (FromUi([this] { return m_pointsInterval; }) &&
        TakeNumber(ctx, lbPI, {}, Text(etPI), 0, kMaxInterval, n))
        ctx.MarkLabel(lbPI, dev.WriteTimefix(n));
    ctx.MarkLabel(lbSgl, dev.WriteTurn(Checked(cbSgl)));
    if (ctx.AtLeast600(43))
        ctx.MarkLabel(lbFixTrid, dev.WriteFixtrid(Checked(cbFixtrid)));
}
