#include "Controller.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QPointer>

#include "OutArray.h"
#include "link/ModemWorker.h"
#include "link/XComErr.h"
#include "platform/Clock.h"
#include "platform/UiThread.h"

namespace
{

// The tracker protocol's view of the session's modem worker.
class TModemExchangeAdapter : public IModemExchange
{
  public:
    explicit TModemExchangeAdapter(TModemWorker *modem) : modem_(modem) {}
    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool log) override
    {
        return modem_->Exchange(command, reply, expected, tries, timeoutMs, log);
    }
    bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected, int tries,
                     int timeoutMs) override
    {
        return modem_->ExchangeHex(bytes, reply, expected, tries, timeoutMs);
    }

  private:
    TModemWorker *modem_;
};

// Cursor changes are posted to the user interface thread; the worker never
// calls widget code itself.
void PostCursor(bool busy, const std::function<void()> &before,
                const std::function<void(bool)> &busyChanged)
{
    if (!qApp)
        return;
    QMetaObject::invokeMethod(
        qApp,
        [busy, before, busyChanged] {
            if (before)
                before();
            if (busyChanged)
                busyChanged(busy);
            if (busy)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            else if (QApplication::overrideCursor())
                QApplication::restoreOverrideCursor();
        },
        IsUiThread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

// What a page routine sees of the session: the versions as the connect read
// them, the label marks and memo lines through the output queue.
class TControllerPageContext : public TPageContext
{
  public:
    TControllerPageContext(TController &c, IModemExchange &link) : c_(c), link_(link)
    {
        Dev = c.Dev();
        Out = c.Out;
        VersionMajor = c.VersionMajor;
        VersionMinor = c.VersionMinor;
        ServerNameSupported = c.ServerNameSupported;
    }
    void MarkLabel(QObject *label, bool ok) override { c_.MarkLabel(label, ok); }
    void Memo(const QString &line) override { c_.Memo(line); }
    bool Cancelled() const override { return c_.StopRequested; }
    IModemExchange &Link() override { return link_; }

  private:
    TController &c_;
    IModemExchange &link_;
};

} // namespace

QString TController::ErrorText(const std::exception &e)
{
    if (auto *m = dynamic_cast<const TModemException *>(&e))
        return m->Message();
    if (auto *d = dynamic_cast<const EDeviceError *>(&e))
        return d->Message();
    return QString::fromUtf8(e.what());
}

namespace
{

bool WholeSecondsPassed(TController::Clock::time_point since, int seconds)
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(TController::Clock::now() - since);
    return elapsed.count() > seconds;
}

} // namespace

TController::TController(TModemWorker *modem, TOutArray *out, const TSessionView &view)
    : Modem(modem), Out(out), LastVersionPoll(Clock::now()), LastPgpsPoll(Clock::now()),
      exchange_(std::make_unique<TModemExchangeAdapter>(modem)),
      dev_(std::make_unique<TDevTrevalo>(exchange_.get())), view_(view)
{
}

TController::~TController() = default;

void TController::RequestStop()
{
    StopRequested = true;
    if (Modem)
        Modem->Cancel();
}

void TController::BeginBusy()
{
    PostCursor(true, {}, view_.busyChanged);
    for (QObject *o : view_.busyControls)
        Out->PutText(o, QStringLiteral("false"));
    for (QObject *o : view_.busyComponents)
        Out->PutComponentState(o, QStringLiteral("false"));
}

void TController::EndBusy()
{
    for (QObject *o : view_.busyControls)
        Out->PutText(o, QStringLiteral("true"));
    for (QObject *o : view_.busyComponents)
        Out->PutComponentState(o, QStringLiteral("true"));
    // The controls come back before the arrow does.
    PostCursor(false, view_.drainOutput, view_.busyChanged);
}

void TController::MarkLabel(QObject *label, bool ok)
{
    Out->PutLabelColor(label, ok ? QStringLiteral("clBlue") : QStringLiteral("clRed"));
}

void TController::Memo(const QString &text)
{
    Out->PutMemoLine(view_.memo, text, true, true);
}

void TController::Progress(const QString &text)
{
    Out->PutText(view_.splashStatus, text);
}

void TController::SetOperating(int mode, const QString &sleepReply)
{
    if (!view_.operating)
        return;
    view_.operating->OperatingMode = mode;
    view_.operating->SleepReply = sleepReply;
}

int TController::OperatingMode() const
{
    return view_.operating ? view_.operating->OperatingMode.load() : 0;
}

bool TController::Connect()
{
    bool result = false;
    SetOperating(0, QString());
    // A chip name left from the previous tracker must never pick the image.
    Out->PutStatus(QString(), view_.chipPanel);
    try {
        Modem->PulseRTS();
        if (StopRequested)
            return false;
        Progress(QStringLiteral("Инициализация модема: ATZ"));
        Modem->ResetModem();
        if (StopRequested)
            return false;
        Progress(QStringLiteral("Инициализация модема: AT"));
        Modem->Attention();
        if (StopRequested)
            return false;
        if (Modem->WaitForRegistration()) {
            Progress(QStringLiteral("Ожидания регистрации в сети: AT+CREG"));
            while (!StopRequested && !Modem->CheckRegistration())
                t3clock::SleepMs(50);
        }
        if (StopRequested)
            return false;
        Modem->SetBearer();
        Progress(QStringLiteral("Набор номера: ") + Modem->Phone());
        result = Modem->Dial();
        if (result) {
            Progress(QStringLiteral("Проверяем версию"));
            result = CheckVersion();
            if (!result) {
                Progress(QStringLiteral("Неверная версия устройства"));
            } else {
                Progress(QStringLiteral("Проверка оболчки"));
                if (VersionMajor != 600) {
                    Memo(QStringLiteral("Несовместимая оболочка"));
                    Out->PutText(view_.splashOk, QStringLiteral("Click"));
                    Out->PutText(view_.disconnectButton, QStringLiteral("CLICK"));
                    return !StopRequested;
                }
                if (AtLeast600(58)) {
                    result = ReadOperatingMode();
                    if (result && OperatingMode() == 5)
                        result = ReadPgps();
                }
                if (result) {
                    if (TDevTrevalo::PanelTypeIsRead(VersionMinor)) {
                        QString type;
                        PanelInfo panel;
                        if (Dev()->GetPanelType(type) &&
                            TDevTrevalo::PanelFromType(VersionMinor, type, panel)) {
                            Out->PutStatus(panel.chip, view_.chipPanel);
                            if (VersionMinor >= 70)
                                ServerNameSupported = panel.serverNameSupported;
                        }
                    }
                    if (!StopRequested) {
                        Out->PutText(view_.splashOk, QStringLiteral("Click"));
                        t3clock::SleepMs(100);
                    }
                }
            }
        }
    } catch (const std::exception &e) {
        Memo(QStringLiteral("Ошибка при подключении: ") + ErrorText(e));
        Progress(QStringLiteral("Ошибка при подключении!"));
        result = false;
    }
    // A stopped attempt fails wherever the stop was seen and changes nothing.
    if (StopRequested)
        return false;
    if (view_.resume) {
        if (Modem->Phone().isEmpty())
            view_.resume->Reset();
        else if (result)
            view_.resume->ResumeAllowed = true;
    }
    return result;
}

bool TController::CheckVersion()
{
    QString version;
    if (!Dev()->GetVersion(version) || !TDevTrevalo::IsSupportedVersion(version))
        return false;
    const TrevaloVersion parsed = TDevTrevalo::ParseVersion(version);
    if (!parsed.valid)
        return false;
    VersionMajor = parsed.major;
    VersionMinor = parsed.minor;
    VersionText = version;
    Out->PutStatus(version, view_.versionPanel);
    return true;
}

bool TController::ReadOperatingMode()
{
    QString value;
    bool ok = Dev()->Query(QStringLiteral("flagact"), value);
    int mode = 0;
    if (ok) {
        bool okFlags = false, okMode = false;
        value.left(2).toInt(&okFlags, 16);
        const int n = value.mid(2, 2).toInt(&okMode, 16);
        ok = okFlags && okMode && value.size() >= 4;
        mode = ok ? n + 1 : 0;
    }
    QString sleep;
    if (ok && !Dev()->Query(QStringLiteral("dontsleep"), sleep)) {
        ok = false;
        sleep.clear();
    }
    SetOperating(mode, sleep);
    return ok;
}

bool TController::ReadPgps()
{
    QString value;
    return Dev()->GetPGPS(value);
}

void TController::IdlePoll()
{
    if (PollSuspended)
        return;
    if (WholeSecondsPassed(LastVersionPoll, 10)) {
        QString version;
        Dev()->GetVersion(version);
        LastVersionPoll = Clock::now();
    }
    if (WholeSecondsPassed(LastPgpsPoll, 30) && OperatingMode() == 5) {
        ReadPgps();
        LastPgpsPoll = Clock::now();
    }
}

void TController::Disconnect()
{
    if (view_.updateWindowVisible) {
        bool visible = false;
        RunOnUiThread([&] { visible = view_.updateWindowVisible(); });
        if (visible)
            return;
    }
    if (Modem) {
        try {
            Modem->ClearCancel();
            Modem->EscapeToCommand();
            Modem->HangUp();
            Modem->ResetModem();
            Modem->DropRTS();
        } catch (const std::exception &e) {
            Memo(QStringLiteral("Ошибка при отключении: ") + ErrorText(e));
        }
    }
    if (view_.disconnectButton) {
        bool wanted = false;
        QObject *button = view_.disconnectButton;
        RunOnUiThread([&] {
            wanted = view_.disconnectWanted ? view_.disconnectWanted()
                                            : button->property("enabled").toBool();
        });
        if (wanted)
            Out->PutText(button, QStringLiteral("CLICK"));
    }
    if (IsUiThread())
        QCoreApplication::processEvents();
}

void TController::ReadPage()
{
    ExchangePage(false);
}

void TController::WritePage()
{
    ExchangePage(true);
}

template <typename F> void TController::Busy(F routine)
{
    BeginBusy();
    try {
        TControllerPageContext ctx(*this, *exchange_);
        routine(ctx);
    } catch (const TModemException &e) {
        // The link error reaches the memo once, then ends the session.
        Memo(e.Message());
        EndBusy();
        throw;
    } catch (...) {
        EndBusy();
        throw;
    }
    EndBusy();
}

void TController::ExchangePage(bool write)
{
    ISessionPage *page = CurrentPage;
    if (!page)
        return;
    Busy([&](TPageContext &ctx) { write ? page->Write(ctx) : page->Read(ctx); });
}

bool TController::RunPageCommand(unsigned char code)
{
    bool owned = false;
    Busy([&](TPageContext &ctx) {
        for (const auto *owners : {&view_.pages, &view_.commandOwners}) {
            for (ISessionPage *page : *owners)
                if ((owned = page->RunCommand(code, ctx)))
                    return;
        }
    });
    return owned;
}

void TController::ReadAllPages()
{
    BeginBusy();
    try {
        for (ISessionPage *page : view_.pages) {
            if (StopRequested)
                break;
            SetCurrentPage(page);
            Out->PutText(page->PageObject(), QStringLiteral("Show"));
            ReadPage();
        }
    } catch (...) {
        EndBusy();
        Out->PutMessage(QStringLiteral("Чтение настроек завершено"));
        throw;
    }
    EndBusy();
    Out->PutMessage(QStringLiteral("Чтение настроек завершено"));
}

void TController::WriteAllPages()
{
    BeginBusy();
    try {
        for (ISessionPage *page : view_.pages) {
            if (StopRequested)
                break;
            if (!page->WrittenByWriteAll())
                continue;
            SetCurrentPage(page);
            Out->PutText(page->PageObject(), QStringLiteral("Show"));
            WritePage();
        }
    } catch (...) {
        EndBusy();
        Out->PutMessage(QStringLiteral("Запись настроек завершена"));
        throw;
    }
    EndBusy();
    Out->PutMessage(QStringLiteral("Запись настроек завершена"));
}
