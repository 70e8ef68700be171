#include "tools/FleetRun.h"

#include <QCoreApplication>


#include "device/DevTrevalo.h"
#include "link/ComPortWorker.h"
#include "link/ModemWorker.h"
#include "link/XComErr.h"
#include "pages/fIn.h"
#include "platform/UiThread.h"
#include "session/Controller.h"
#include "session/LogMemoWriter.h"
#include "session/OutArray.h"
#include "session/SessionPage.h"
#include "tools/SettingsCompare.h"
#include "tools/ShadowPages.h"
#include "tools/ToolContext.h"

using namespace settingscompare;

namespace
{
const QString kConnectError = QStringLiteral("Ошибка при подключении: ");
}

TFleetRun::TFleetRun(const TSetup &setup, const QList<TformIncl *> &pages, QObject *memo,
                     TOutArray *windowOut)
    : setup_(setup), pages_(pages), memo_(memo), windowOut_(windowOut),
      out_(std::make_unique<TOutArray>()), memoProxy_(std::make_unique<QObject>()),
      stepProxy_(std::make_unique<QObject>()), okProxy_(std::make_unique<QObject>())
{
}

TFleetRun::~TFleetRun()
{
    Cancel();
    while (!wait(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    Drain();
}

bool TFleetRun::Prepare(QString *error)
{
    file_ = std::make_unique<TShadowPages>();
    // Loaded before any tracker answers: every value of the file is kept, and
    // each tracker's write leaves out what its firmware lacks.
    file_->Firmware = [](int) { return true; };
    if (!file_->CopyFrom(pages_, setup_.settingsFile, error)) {
        file_.reset();
        return false;
    }
    return true;
}

void TFleetRun::Cancel()
{
    cancel_ = true;
    if (TController *c = controller_)
        c->RequestStop();
}

QList<TFleetResult> TFleetRun::Results() const
{
    std::lock_guard<std::mutex> g(lock_);
    return results_;
}

QString TFleetRun::Number() const
{
    std::lock_guard<std::mutex> g(lock_);
    return number_;
}

QString TFleetRun::Step() const
{
    std::lock_guard<std::mutex> g(lock_);
    return step_;
}

void TFleetRun::SetStep(const QString &number, const QString &step)
{
    {
        std::lock_guard<std::mutex> g(lock_);
        number_ = number;
        step_ = step;
    }
    QMetaObject::invokeMethod(this, [this] { emit Progress(); }, Qt::QueuedConnection);
}

int TFleetRun::Drain()
{
    int n = 0;
    while (std::unique_ptr<TOutElement> e = out_->Take()) {
        ++n;
        if (e->kind == 1) {
            const auto &m = static_cast<const TMemoOut &>(*e);
            if (m.memo == memoProxy_.get()) {
                if (m.text.contains(kConnectError))
                    lastConnectError_ = m.text.mid(m.text.indexOf(kConnectError) +
                                                   kConnectError.size());
                // The run's lines join the window's memo like a session's.
                windowOut_->PutMemoLine(memo_, m.text, false, m.show);
                continue;
            }
        }
        if (e->kind == 2) {
            const auto &c = static_cast<const TControlOut &>(*e);
            if (c.control == stepProxy_.get()) {
                lastProgress_ = c.text;
                std::lock_guard<std::mutex> g(lock_);
                step_ = c.text;
                continue;
            }
            if (c.control == okProxy_.get())
                continue;
        }
        TOutArray::Apply(*e, nullptr, QString());
    }
    if (n)
        emit Progress();
    return n;
}

QString TFleetRun::ConnectFailure()
{
    QString reason;
    RunOnUiThread([&] {
        Drain();
        reason = lastConnectError_;
        if (reason.isEmpty())
            reason = lastProgress_.startsWith(QStringLiteral("Набор номера"))
                         ? QStringLiteral("нет соединения после набора номера")
                         : lastProgress_;
        lastConnectError_.clear();
    });
    return reason.isEmpty() ? QStringLiteral("не удалось подключиться") : reason;
}

void TFleetRun::run()
{
    for (const QString &number : setup_.numbers) {
        if (cancel_)
            break;
        TFleetResult r = RunOne(number);
        {
            std::lock_guard<std::mutex> g(lock_);
            results_ << r;
        }
        ++done_;
        SetStep(number, r.ResultText());
    }
    RunOnUiThread([this] { Drain(); });
}

TFleetResult TFleetRun::RunOne(const QString &number)
{
    TFleetResult r;
    r.number = number;
    r.outcome = TFleetResult::Failed;
    SetStep(number, QStringLiteral("Подключение"));

    TLogMemoWriter log(memoProxy_.get(), out_.get());
    std::unique_ptr<TComPortWorker> port;
    try {
        port = std::make_unique<TComPortWorker>(setup_.portName, false, &log, true);
        port->Open();
    } catch (const std::exception &e) {
        r.reason = QStringLiteral("Ошибка при открытии Com порта! ") + TController::ErrorText(e);
        return r;
    }
    TModemWorker modem(port.get(), number, setup_.waitRegistration, &log, false);
    TOperatingState operating;
    TSessionView view;
    view.memo = memoProxy_.get();
    view.splashStatus = stepProxy_.get();
    view.splashOk = okProxy_.get();
    view.operating = &operating;
    TController c(&modem, out_.get(), view);
    controller_ = &c;
    if (cancel_)
        c.RequestStop();

    QString where;
    try {
        if (!c.Connect()) {
            r.reason = cancel_ ? QStringLiteral("отменено") : ConnectFailure();
        } else if (c.VersionMajor != 600) {
            r.version = c.VersionText;
            r.reason = QStringLiteral("прошивка не поддерживается страницами, ничего не записано");
        } else {
            r.version = c.VersionText;
            TToolContext ctx;
            ctx.Dev = c.Dev();
            ctx.Out = out_.get();
            ctx.VersionMajor = c.VersionMajor;
            ctx.VersionMinor = c.VersionMinor;
            ctx.ServerNameSupported = c.ServerNameSupported;
            ctx.link = c.Dev()->Modem();
            ctx.cancelled = [this] { return cancel_.load(); };
            ctx.memo = [&c](const QString &line) { c.Memo(line); };
            ctx.mark = [&c](QObject *label, bool ok) { c.MarkLabel(label, ok); };

            for (TformIncl *p : file_->Pages()) {
                if (cancel_)
                    break;
                if (!p->WrittenByWriteAll())
                    continue;
                where = QStringLiteral("при записи страницы «%1»").arg(p->Caption());
                SetStep(number, QStringLiteral("Запись: ") + p->Caption());
                p->Write(ctx);
            }

            // Read back into a copy and compare with the file.
            std::unique_ptr<TShadowPages> back;
            TReadCapture capture;
            if (!cancel_) {
                RunOnUiThread([&] {
                    back = std::make_unique<TShadowPages>();
                    back->Firmware = [&c](int minor) { return c.AtLeast600(minor); };
                    back->CopyFrom(file_->Pages());
                    for (TformIncl *p : back->Pages())
                        p->BeginRead();
                });
                TRecordingExchange line(c.Dev()->Modem(),
                                        [&capture](const QString &l) { capture.Sent(l); });
                TDevTrevalo dev(&line);
                TToolContext read = ctx;
                read.Dev = &dev;
                read.Out = &capture.Queue();
                read.link = &line;
                read.mark = [&capture](QObject *label, bool ok) { capture.Mark(label, ok); };
                for (TformIncl *p : back->Pages()) {
                    if (cancel_)
                        break;
                    where = QStringLiteral("при проверке страницы «%1»").arg(p->Caption());
                    SetStep(number, QStringLiteral("Проверка: ") + p->Caption());
                    p->Read(read);
                }
            }
            where.clear();
            if (cancel_) {
                r.reason = QStringLiteral("отменено");
            } else {
                QStringList differing;
                RunOnUiThread([&] {
                    const QList<TRead> reads = capture.Apply(back->Pages());
                    QStringList names;
                    for (const TRead &rd : reads)
                        names << rd.name;
                    const TWriteImage ref =
                        DryWrite(file_->Pages(), c.VersionMajor, c.VersionMinor, names);
                    const TWriteImage trk =
                        DryWrite(back->Pages(), c.VersionMajor, c.VersionMinor, names);
                    for (const TRow &row : Compare(reads, ref, trk)) {
                        if (row.state == TState::Equal)
                            continue;
                        const QObject *first = !row.labels.isEmpty() ? row.labels.first()
                                               : !row.controls.isEmpty()
                                                   ? row.controls.first().control
                                                   : nullptr;
                        const TformIncl *page = PageOf(first);
                        QString caption = first ? CaptionOf(first) : QString();
                        if (caption.isEmpty())
                            caption = row.name;
                        const QString text = (page ? page->Caption() + QStringLiteral(": ")
                                                   : QString()) +
                                             caption +
                                             (row.state == TState::NotRead
                                                  ? QStringLiteral(" (не прочитано)")
                                                  : QString());
                        if (!differing.contains(text))
                            differing << text;
                    }
                });
                r.differences = differing;
                r.outcome =
                    differing.isEmpty() ? TFleetResult::Verified : TFleetResult::Differences;
            }
        }
    } catch (const std::exception &e) {
        r.outcome = TFleetResult::Failed;
        r.reason = (where.isEmpty() ? QString() : where + QStringLiteral(": ")) +
                   TController::ErrorText(e);
        c.Memo(r.reason);
    }
    // Whatever happened, the call goes down before the next number.
    SetStep(number, QStringLiteral("Отключение"));
    c.Disconnect();
    controller_ = nullptr;
    RunOnUiThread([this] { Drain(); });
    return r;
}
