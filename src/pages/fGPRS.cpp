#include "pages/fGPRS.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "device/DevTrevalo.h"
#include "pages/PageExchange.h"
#include "session/OutArray.h"

namespace
{
constexpr int kMinRestartMinutes = 10;
// A dotted address needs 15 characters, but the tracker also keeps a host
// name as long as its other GPRS texts; a shorter field would cut it.
constexpr int kAddressLength = 35;
} // namespace

TformGPRS::WarningFn TformGPRS::WarningHook = [](QWidget *parent, const QString &title,
                                                 const QString &text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
};

TformGPRS::TformGPRS(QWidget *parent)
    : TformIncl(QStringLiteral("formGPRS"), QStringLiteral("GPRS"), parent)
{
    GroupBox1 = addGroupBox(QStringLiteral("GroupBox1"), QStringLiteral("GPRS"));
    cbGPRS =
        addCheckBox(QStringLiteral("cbGPRS"), QString(), QStringLiteral("Включен GPRS?"),
                    QStringLiteral("false"), TControlKind::ckRzCheckBox, QStringLiteral("lbcb"));
    etGPRSphone = addTextEdit(QStringLiteral("etGPRSphone"), QStringLiteral("Номер телефона GPRS"),
                              QStringLiteral("*99#"), 35);
    etAccessPoint =
        addTextEdit(QStringLiteral("etAccessPoint"), QStringLiteral("Точка доступа GPRS"),
                    QStringLiteral("internet.mts.ru"), 35);
    etLoginGPRS =
        addTextEdit(QStringLiteral("etLoginGPRS"), QStringLiteral("Имя пользователя GPRS"),
                    QStringLiteral("internet"), 35);
    etPswdGPRS =
        addTextEdit(QStringLiteral("etPswdGPRS"), QStringLiteral("Пароль пользователя GPRS"),
                    QStringLiteral("password"), 35);
    etIp =
        addTextEdit(QStringLiteral("etIp"), QStringLiteral("IP адрес сервера для GPRS соединения"),
                    QStringLiteral("192.0.2.10"), kAddressLength);
    etPort =
        addTextEdit(QStringLiteral("etPort"), QStringLiteral("Порт сервера для GPRS соединения"),
                    QStringLiteral("3055"), 8);
    etPswd =
        addTextEdit(QStringLiteral("etPswd"), QStringLiteral("Пароль для идентификации через GPRS"),
                    QStringLiteral("MolvRask"), 8);
    QStringList minutes;
    for (int m = 10; m <= 20; ++m)
        minutes << QStringLiteral("%1 минут").arg(m);
    cbMRst = addComboBox(QStringLiteral("cbMRst"),
                         QStringLiteral("Время до перезагрузки модема в режиме GPRS"), minutes,
                         QStringLiteral("0"), QStringLiteral("lbMRst"));
    SelectDefaultMRst();

    lbcb = labelOf(cbGPRS);
    lbetGPRSphone = labelOf(etGPRSphone);
    lbetAccessPoint = labelOf(etAccessPoint);
    lbetLoginGPRS = labelOf(etLoginGPRS);
    lbetPswdGPRS = labelOf(etPswdGPRS);
    lbetIp = labelOf(etIp);
    lbetPort = labelOf(etPort);
    lbetPswd = labelOf(etPswd);
    lbMRst = labelOf(cbMRst);

    connect(cbGPRS, &QCheckBox::toggled, this, [this] { cbGPRSClick(); });
}

bool TformGPRS::IsNumericAddress(const QString &text)
{
    for (const QChar c : text)
        if (!(c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return false;
    return true;
}

void TformGPRS::cbGPRSClick()
{
    emit GprsSwitched(cbGPRS->isChecked());
}

void TformGPRS::SelectDefaultMRst()
{
    // The default text is an entry index, which the base walk cannot match.
    bool ok = false;
    const int index = DefaultText(cbMRst).trimmed().toInt(&ok);
    if (ok)
        cbMRst->setCurrentIndex(index);
}

void TformGPRS::SetDefaults()
{
    TformIncl::SetDefaults();
    SelectDefaultMRst();
}

void TformGPRS::BeginRead()
{
    TformIncl::BeginRead();
    SelectDefaultMRst();
}

// ---- worker thread ----

void TformGPRS::ReadGprs(TPageContext &ctx)
{
    using PageIo::ReadInto;
    TDevTrevalo &dev = *ctx.Dev;
    ReadInto(ctx, lbcb, cbGPRS, &TDevTrevalo::ReadGprsena);
    ReadInto(ctx, lbetGPRSphone, etGPRSphone, &TDevTrevalo::ReadGphone);
    ReadInto(ctx, lbetAccessPoint, etAccessPoint, &TDevTrevalo::ReadGapn);
    ReadInto(ctx, lbetLoginGPRS, etLoginGPRS, &TDevTrevalo::ReadGprsName);
    ReadInto(ctx, lbetPswdGPRS, etPswdGPRS, &TDevTrevalo::ReadGprsPswd);
    ReadInto(ctx, lbetIp, etIp, &TDevTrevalo::ReadIpAdr);
    ReadInto(ctx, lbetPort, etPort, &TDevTrevalo::ReadIpPort);
    ReadInto(ctx, lbetPswd, etPswd, &TDevTrevalo::ReadServPswd);

    int n = 0;
    // A value without an entry in the list is a failed read: the list keeps
    // what it shows.
    const int entries = FromUi([this] { return cbMRst->count(); });
    const bool ok =
        dev.ReadTimegpres(n) && n >= kMinRestartMinutes && n - kMinRestartMinutes < entries;
    ctx.MarkLabel(lbMRst, ok);
    if (ok)
        ctx.Out->PutNumber(cbMRst, n - kMinRestartMinutes);
}

void TformGPRS::WriteText(TPageContext &ctx, QLabel *label, const QString &text,
                          bool (TDevTrevalo::*write)(const QString &))
{
    // An empty text would make the bare read form, which the tracker
    // answers "OK" without storing anything.
    if (PageIo::TakeText(ctx, label, {}, text, false))
        ctx.MarkLabel(label, (ctx.Dev->*write)(text));
}

void TformGPRS::WriteGprs(TPageContext &ctx)
{
    using namespace PageIo;
    TDevTrevalo &dev = *ctx.Dev;
    ctx.MarkLabel(lbcb, dev.WriteGprsena(Checked(cbGPRS)));
    WriteText(ctx, lbetGPRSphone, Text(etGPRSphone), &TDevTrevalo::WriteGphone);
    WriteText(ctx, lbetAccessPoint, Text(etAccessPoint), &TDevTrevalo::WriteGapn);
    WriteText(ctx, lbetLoginGPRS, Text(etLoginGPRS), &TDevTrevalo::WriteGprsName);
    WriteText(ctx, lbetPswdGPRS, Text(etPswdGPRS), &TDevTrevalo::WriteGprsPswd);

    const QString address = Text(etIp);
    if (ctx.ServerNameSupported || IsNumericAddress(address)) {
        WriteText(ctx, lbetIp, address, &TDevTrevalo::WriteIpAdr);
    } else {
        RunOnUiThread([this, &address] {
            WarningHook(window(), QStringLiteral("Предупреждение"),
                        QStringLiteral("Ваш модем не поддерживает имя сервера в виде ") + address +
                            QStringLiteral("\r\nЗначение не было записано!!!"));
        });
        ctx.MarkLabel(lbetIp, false);
    }

    int n = 0;
    if (TakeNumber(ctx, lbetPort, {}, Text(etPort), 1, 65535, n))
        ctx.MarkLabel(lbetPort, dev.WriteIpPort(n));
    WriteText(ctx, lbetPswd, Text(etPswd), &TDevTrevalo::WriteServPswd);

    const int index = Index(cbMRst);
    if (index < 0)
        Refuse(ctx, lbMRst, {}, QStringLiteral("не выбрано значение, ничего не записано"));
    else
        ctx.MarkLabel(lbMRst, dev.WriteTimegpres(index + kMinRestartMinutes));
}
