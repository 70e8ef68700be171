#include "XComDrv.h"

#include "platform/Clock.h"
#include "platform/SerialBackend.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace
{
constexpr uint32_t kBaudTable[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                   19200, 38400, 56000, 57600, 115200, 128000, 256000};
} // namespace

uint32_t BaudRateValue(TBaudRate rate)
{
    return rate >= br110 && rate < brCustom ? kBaudTable[rate] : 0;
}

QString FlowControlName(TFlowControl f)
{
    static const char *names[] = {"None", "CTS/RTS", "DTR/DSR", "XOn/XOff", "Custom"};
    return QString::fromLatin1(names[f]);
}

QString ParityName(TParity p)
{
    static const char *names[] = {"None", "Odd", "Even", "Mark", "Space"};
    return QString::fromLatin1(names[p]);
}

QString StopBitsName(TStopBits s)
{
    static const char *names[] = {"1", "1.5", "2"};
    return QString::fromLatin1(names[s]);
}

const QStringList &ModemResultCodes()
{
    static const QStringList codes = {"OK",    "CONNECT",     "RING", "NO CARRIER",
                                      "ERROR", "NO DIALTONE", "BUSY", "NO ANSWER"};
    return codes;
}

// ---- settings objects ----

void TCommDataControl::SetDataBits(TDataBits v)
{
    if (v == dataBits_)
        return;
    dataBits_ = v;
    owner_->SettingsChanged(TCustomComm::LineGroup);
}

void TCommDataControl::SetParity(TParity v)
{
    if (v == parity_)
        return;
    parity_ = v;
    owner_->SettingsChanged(TCustomComm::LineGroup);
}

void TCommDataControl::SetStopBits(TStopBits v)
{
    if (v == stopBits_)
        return;
    stopBits_ = v;
    owner_->SettingsChanged(TCustomComm::LineGroup);
}

static uint16_t clampSize(int v)
{
    return static_cast<uint16_t>(std::clamp<int>(v, TCommBuffers::MinSize, TCommBuffers::MaxSize));
}

void TCommBuffers::SetInputSize(int v)
{
    const uint16_t size = clampSize(v);
    if (size == inputSize_)
        return;
    inputSize_ = size;
    owner_->SettingsChanged(TCustomComm::BufferGroup);
}

void TCommBuffers::SetOutputSize(int v)
{
    const uint16_t size = clampSize(v);
    if (size == outputSize_)
        return;
    outputSize_ = size;
    owner_->SettingsChanged(TCustomComm::BufferGroup);
}

void TCommEventChars::set(uint8_t &field, uint8_t v)
{
    if (field == v)
        return;
    field = v;
    owner_->SettingsChanged(TCustomComm::LineGroup);
}

void TCommTimeoutsEx::set(uint32_t &field, uint32_t v)
{
    if (field == v)
        return;
    field = v;
    owner_->SettingsChanged(TCustomComm::TimeoutGroup);
}

// ---- the component ----

struct TCustomComm::Dispatch {
    std::recursive_mutex mx;
    bool alive = false; // the port is open; posted calls check it
    TCommEvent onCommEvent;
    TDataEvent onData;
};

TCustomComm::TCustomComm() : TCustomComm(TSerialBackend::Create()) {}

TCustomComm::TCustomComm(std::unique_ptr<TSerialBackend> backend)
    : backend_(std::move(backend)), dispatch_(std::make_shared<Dispatch>())
{
}

TCustomComm::~TCustomComm()
{
    if (Opened()) {
        stopEventThread();
        backend_->Close();
    }
}

bool TCustomComm::Opened() const
{
    return backend_->IsOpen();
}

TCommLocks TCustomComm::GetLocks() const
{
    if (!Opened())
        return lkSend | lkRead;
    return (sendLock_ ? lkSend : 0u) | (readLock_ ? lkRead : 0u);
}

void TCustomComm::Open()
{
    if (Opened())
        throw EDeviceError::Make(EDeviceError::AlreadyOpened);
    sendLock_ = false;
    readLock_ = false;
    if (!backend_->Open(deviceName_.toLocal8Bit().toStdString()))
        throw EDeviceError::CannotOpenDevice(deviceName_);
    startEventThread();
    ApplyLineSettings();
    ApplyBuffers();
    ApplyTimeouts();
}

void TCustomComm::Close()
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    stopEventThread();
    backend_->Close();
}

void TCustomComm::raiseSystem(int code)
{
    const int err = backend_->LastError();
    throw EDeviceError::System(code, QString::fromLatin1(backend_->ErrorKind()), err,
                               QString::fromLocal8Bit(backend_->ErrorText(err).c_str()));
}

uint32_t TCustomComm::InQueCount()
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    uint32_t n = 0;
    if (!backend_->InQueue(n))
        raiseSystem(EDeviceError::ReadFailed);
    return n;
}

uint32_t TCustomComm::OutQueCount()
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    uint32_t n = 0;
    if (!backend_->OutQueue(n))
        raiseSystem(EDeviceError::WriteFailed);
    return n;
}

namespace
{
struct LockGuard {
    std::atomic<bool> &flag;
    explicit LockGuard(std::atomic<bool> &f) : flag(f) { flag = true; }
    ~LockGuard() { flag = false; }
};
} // namespace

uint32_t TCustomComm::Write(const void *buffer, uint32_t count, int timeoutMs)
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    if (sendLock_)
        throw EDeviceError::Make(EDeviceError::SendLocked);
    const int64_t timeout = timeoutMs < 0 ? buffers_.OutputTimeout() : timeoutMs;
    const int64_t start = t3clock::MillisecondClock();
    const auto *p = static_cast<const uint8_t *>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const int64_t room = int64_t(buffers_.OutputSize()) - int64_t(OutQueCount());
        long written = 0;
        if (room > 0) {
            written = backend_->WriteSome(p + done, std::min<int64_t>(count - done, room));
            if (written < 0)
                raiseSystem(EDeviceError::WriteFailed);
            DispatchEvents(deOutEmpty);
        }
        if (written > 0) {
            done += static_cast<uint32_t>(written);
            LockGuard lock(sendLock_);
            if (onSend_)
                onSend_(this);
            continue;
        }
        if (t3clock::MillisecondClock() - start > timeout)
            break;
        t3clock::SleepMs(1); // output is full; let it drain instead of spinning
    }
    return done;
}

bool TCustomComm::WriteByte(uint8_t byte)
{
    return Write(&byte, 1) == 1;
}

uint32_t TCustomComm::Read(void *buffer, uint32_t count, int timeoutMs)
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    if (readLock_)
        throw EDeviceError::Make(EDeviceError::ReadLocked);
    const int64_t timeout = timeoutMs < 0 ? buffers_.InputTimeout() : timeoutMs;
    const int64_t start = t3clock::MillisecondClock();
    auto *p = static_cast<uint8_t *>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const uint32_t queued = InQueCount();
        if (queued > 0) {
            const long got = backend_->ReadSome(p + done, std::min(count - done, queued));
            if (got < 0)
                raiseSystem(EDeviceError::ReadFailed);
            if (got > 0) {
                done += static_cast<uint32_t>(got);
                LockGuard lock(readLock_);
                if (onRead_)
                    onRead_(this);
                continue;
            }
        }
        const int64_t elapsed = t3clock::MillisecondClock() - start;
        if (elapsed > timeout)
            break;
        // Sleep in the kernel until data comes or the time-out passes.
        backend_->WaitInput(static_cast<int>(timeout - elapsed + 1));
    }
    return done;
}

bool TCustomComm::ReadByte(uint8_t &byte)
{
    return Read(&byte, 1) == 1;
}

TCustomComm::RtsResult TCustomComm::SwitchRts(bool on)
{
    if (!Opened())
        throw EDeviceError::Make(EDeviceError::NotOpened);
    switch (backend_->SetRts(on)) {
    case TSerialBackend::Rts::Done:
        return RtsResult::Done;
    case TSerialBackend::Rts::NotSupported:
        return RtsResult::NotSupported;
    default:
        return RtsResult::Failed;
    }
}

int TCustomComm::LastSystemError() const
{
    return backend_->LastError();
}

QString TCustomComm::SystemErrorText(int code) const
{
    return QString::fromLocal8Bit(backend_->ErrorText(code).c_str());
}

QString TCustomComm::SystemErrorKind() const
{
    return QString::fromLatin1(backend_->ErrorKind());
}

// ---- properties ----

void TCustomComm::SetDeviceName(const QString &name)
{
    if (!Opened())
        deviceName_ = name;
}

void TCustomComm::SetBaudRate(TBaudRate rate)
{
    if (rate == baudRate_)
        return;
    baudRate_ = rate;
    if (rate != brCustom)
        baudValue_ = BaudRateValue(rate);
    SettingsChanged(LineGroup);
}

void TCustomComm::SetBaudValue(uint32_t value)
{
    if (baudRate_ != brCustom || value == baudValue_)
        return;
    baudValue_ = value;
    SettingsChanged(LineGroup);
}

void TCustomComm::applyFlowPreset()
{
    switch (flowControl_) {
    case fcNone:
        rtsSettings_ = 0;
        dtrSettings_ = 0;
        xonxoffSettings_ = 0;
        break;
    case fcRtsCts:
        rtsSettings_ = fsCTSOut | fsRTSHandshake;
        dtrSettings_ = fsDTREnabled;
        xonxoffSettings_ = 0;
        break;
    case fcDtrDsr:
        rtsSettings_ = fsRTSEnabled;
        dtrSettings_ = fsDSROut | fsDTREnabled;
        xonxoffSettings_ = 0;
        break;
    case fcSoftware:
        rtsSettings_ = 0;
        dtrSettings_ = fsDTREnabled;
        xonxoffSettings_ = fsInX | fsOutX;
        break;
    case fcCustom:
        return;
    }
    if (options_ & coLeaveDTROpen)
        dtrSettings_ = (dtrSettings_ & ~unsigned(fsDTRHandshake)) | fsDTREnabled;
}

void TCustomComm::SetFlowControl(TFlowControl fc)
{
    if (fc == flowControl_)
        return;
    flowControl_ = fc;
    applyFlowPreset();
    SettingsChanged(LineGroup);
}

void TCustomComm::SetRTSSettings(TRTSSettings v)
{
    if (flowControl_ != fcCustom || v == rtsSettings_)
        return;
    rtsSettings_ = v;
    SettingsChanged(LineGroup);
}

void TCustomComm::SetDTRSettings(TDTRSettings v)
{
    if (flowControl_ != fcCustom)
        return;
    if ((v & fsDTREnabled) && (v & fsDTRHandshake)) {
        // The one already in force gives way to the newcomer.
        if (dtrSettings_ & fsDTREnabled)
            v &= ~unsigned(fsDTREnabled);
        else
            v &= ~unsigned(fsDTRHandshake);
    }
    if (v == dtrSettings_)
        return;
    dtrSettings_ = v;
    SettingsChanged(LineGroup);
}

void TCustomComm::SetXOnXOffSettings(TXOnXOffSettings v)
{
    if (flowControl_ != fcCustom || v == xonxoffSettings_)
        return;
    xonxoffSettings_ = v;
    SettingsChanged(LineGroup);
}

void TCustomComm::SetOptions(TCommOptions v)
{
    if (Opened())
        v = (v & ~unsigned(coLeaveDTROpen)) | (options_ & coLeaveDTROpen);
    if (v == options_)
        return;
    options_ = v;
    SettingsChanged(LineGroup);
}

void TCustomComm::SettingsChanged(int group)
{
    if (!Opened())
        return;
    switch (group) {
    case LineGroup:
        ApplyLineSettings();
        break;
    case BufferGroup:
        ApplyBuffers();
        break;
    case TimeoutGroup:
        ApplyTimeouts();
        break;
    }
}

void TCustomComm::ApplyLineSettings()
{
    TSerialLine line;
    line.baud = baudValue_;
    line.dataBits = 4 + dataControl_.DataBits();
    line.parity = dataControl_.Parity();
    line.stopBits = dataControl_.StopBits();
    line.ctsOut = rtsSettings_ & fsCTSOut;
    line.rtsEnabled = rtsSettings_ & fsRTSEnabled;
    line.rtsHandshake = rtsSettings_ & fsRTSHandshake;
    line.dsrOut = dtrSettings_ & fsDSROut;
    line.dtrEnabled = (dtrSettings_ & fsDTREnabled) || (options_ & coLeaveDTROpen);
    line.dtrHandshake = dtrSettings_ & fsDTRHandshake;
    line.inX = xonxoffSettings_ & fsInX;
    line.outX = xonxoffSettings_ & fsOutX;
    line.parityCheck = options_ & coParityCheck;
    line.discardNull = options_ & coDiscardNull;
    line.xonChar = static_cast<char>(eventChars_.XonChar());
    line.xoffChar = static_cast<char>(eventChars_.XoffChar());
    if (!backend_->ApplyLine(line))
        throw EDeviceError::Make(EDeviceError::LineSettings);
}

void TCustomComm::ApplyBuffers()
{
    if (!backend_->Purge() || !backend_->SetQueueSizes(buffers_.InputSize(), buffers_.OutputSize()))
        throw EDeviceError::Make(EDeviceError::Buffers);
}

void TCustomComm::ApplyTimeouts()
{
    TSerialTimeouts t;
    t.readInterval = timeouts_.ReadInterval();
    t.readMultiplier = timeouts_.ReadMultiplier();
    t.readConstant = timeouts_.ReadConstant();
    t.writeMultiplier = timeouts_.WriteMultiplier();
    t.writeConstant = timeouts_.WriteConstant();
    if (!backend_->SetTimeouts(t))
        throw EDeviceError::Make(EDeviceError::Timeouts);
}

// ---- events ----

void TCustomComm::SetOnCommEvent(TCommEvent handler)
{
    std::lock_guard lock(dispatch_->mx);
    dispatch_->onCommEvent = std::move(handler);
}

void TCustomComm::SetOnData(TDataEvent handler)
{
    std::lock_guard lock(dispatch_->mx);
    dispatch_->onData = std::move(handler);
}

void TCustomComm::runHandlers(TDeviceEvents events)
{
    // Caller holds dispatch_->mx and has checked that the port is open.
    try {
        if ((events & (deChar | deFlag)) && dispatch_->onData)
            dispatch_->onData(this, InQueCount());
        const TDeviceEvents shown = events & monitorEvents_;
        if (dispatch_->onCommEvent && shown)
            dispatch_->onCommEvent(this, shown);
    } catch (...) {
        // A failing handler must not take the event thread or the UI loop down.
    }
}

void TCustomComm::DispatchEvents(TDeviceEvents events)
{
    std::shared_ptr<Dispatch> d = dispatch_;
    {
        std::lock_guard lock(d->mx);
        if (!d->alive || (!d->onData && !d->onCommEvent))
            return;
    }
    QCoreApplication *app = QCoreApplication::instance();
    if (synchronize_ && app && QThread::currentThread() != app->thread()) {
        // Posted, not blocking: a UI thread that closes the port and waits
        // for this thread must never wait on a call queued behind it.
        QMetaObject::invokeMethod(
            app,
            [d, this, events] {
                std::lock_guard lock(d->mx);
                if (d->alive)
                    runHandlers(events);
            },
            Qt::QueuedConnection);
        return;
    }
    std::lock_guard lock(d->mx);
    if (d->alive)
        runHandlers(events);
}

void TCustomComm::startEventThread()
{
    backend_->StartEvents();
    {
        std::lock_guard lock(dispatch_->mx);
        dispatch_->alive = true;
    }
    eventThread_ = std::thread([this] { eventLoop(); });
}

void TCustomComm::stopEventThread()
{
    {
        std::lock_guard lock(dispatch_->mx);
        dispatch_->alive = false;
    }
    backend_->StopEvents();
    if (eventThread_.joinable()) {
        if (eventThread_.get_id() == std::this_thread::get_id())
            eventThread_.detach(); // closed from a handler on the event thread
        else
            eventThread_.join();
    }
    backend_->EndEvents();
}

void TCustomComm::eventLoop()
{
    uint32_t lastCount = 0;
    for (;;) {
        bool watch;
        {
            std::lock_guard lock(dispatch_->mx);
            watch = dispatch_->onData || dispatch_->onCommEvent;
        }
        // Without a handler the thread only waits for its stop. With one, it
        // sleeps in poll until input comes; while input stays unread it looks
        // again every 10 ms instead of waking on the same bytes forever.
        TSerialBackend::Wake w;
        if (!watch)
            w = backend_->WaitEvent(false, 200);
        else if (lastCount == 0)
            w = backend_->WaitEvent(true, 200);
        else
            w = backend_->WaitEvent(false, 10);
        if (w == TSerialBackend::Wake::Stop || w == TSerialBackend::Wake::Failed)
            break;
        if (!watch)
            continue;
        uint32_t n = 0;
        if (!backend_->InQueue(n))
            break;
        if (n > lastCount)
            DispatchEvents(deChar);
        lastCount = n;
    }
}
