#pragma once
#include "XComErr.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TSerialBackend;
class TCustomComm;

enum TDataBits { db4, db5, db6, db7, db8 };
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1, sb1p5, sb2 };
enum TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brCustom
};
enum TFlowControl { fcNone, fcRtsCts, fcDtrDsr, fcSoftware, fcCustom };

// Sets are bit masks of their members.
enum TRTSSetting : unsigned { fsCTSOut = 1, fsRTSEnabled = 2, fsRTSHandshake = 4 };
enum TDTRSetting : unsigned { fsDSROut = 1, fsDTREnabled = 2, fsDTRHandshake = 4 };
enum TXOnXOffSetting : unsigned { fsInX = 1, fsOutX = 2 };
enum TCommOption : unsigned {
    coAbortOnError = 1,
    coDiscardNull = 2,
    coDSRSensitivity = 4,
    coErrorChar = 8,
    coParityCheck = 16,
    coTXContinueOnXOff = 32,
    coLeaveDTROpen = 64
};
using TRTSSettings = unsigned;
using TDTRSettings = unsigned;
using TXOnXOffSettings = unsigned;
using TCommOptions = unsigned;

// Each event is the bit of its position in the platform's event mask.
enum TDeviceEvent : unsigned {
    deChar = 1u << 0,
    deFlag = 1u << 1,
    deOutEmpty = 1u << 2,
    deCTS = 1u << 3,
    deDSR = 1u << 4,
    deRLSD = 1u << 5,
    deBreak = 1u << 6,
    deError = 1u << 7,
    deRing = 1u << 8,
    dePrintError = 1u << 9,
    deIn80Full = 1u << 10,
    deProv1 = 1u << 11,
    deProv2 = 1u << 12
};
using TDeviceEvents = unsigned;

enum TCommLock : unsigned { lkSend = 1, lkRead = 2 };
using TCommLocks = unsigned;

uint32_t BaudRateValue(TBaudRate rate); // 0 for brCustom
QString FlowControlName(TFlowControl f);
QString ParityName(TParity p);
QString StopBitsName(TStopBits s);
const QStringList &ModemResultCodes();

class TCommDataControl
{
  public:
    explicit TCommDataControl(TCustomComm *owner) : owner_(owner) {}
    TDataBits DataBits() const { return dataBits_; }
    TParity Parity() const { return parity_; }
    TStopBits StopBits() const { return stopBits_; }
    void SetDataBits(TDataBits v);
    void SetParity(TParity v);
    void SetStopBits(TStopBits v);

  private:
    TCustomComm *owner_;
    TDataBits dataBits_ = db8;
    TParity parity_ = paNone;
    TStopBits stopBits_ = sb1;
};

class TCommBuffers
{
  public:
    static constexpr uint16_t MinSize = 128;
    static constexpr uint16_t MaxSize = 4096;

    explicit TCommBuffers(TCustomComm *owner) : owner_(owner) {}
    uint16_t InputSize() const { return inputSize_; }
    uint16_t OutputSize() const { return outputSize_; }
    uint16_t InputTimeout() const { return inputTimeout_; }
    uint16_t OutputTimeout() const { return outputTimeout_; }
    // Sizes are clamped to MinSize..MaxSize.
    void SetInputSize(int v);
    void SetOutputSize(int v);
    void SetInputTimeout(uint16_t v) { inputTimeout_ = v; }
    void SetOutputTimeout(uint16_t v) { outputTimeout_ = v; }

  private:
    TCustomComm *owner_;
    uint16_t inputSize_ = 2048;
    uint16_t outputSize_ = 2048;
    uint16_t inputTimeout_ = 500;
    uint16_t outputTimeout_ = 500;
};

class TCommEventChars
{
  public:
    explicit TCommEventChars(TCustomComm *owner) : owner_(owner) {}
    uint8_t XonChar() const { return xon_; }
    uint8_t XoffChar() const { return xoff_; }
    uint8_t EofChar() const { return eof_; }
    uint8_t ErrorChar() const { return error_; }
    uint8_t EventChar() const { return event_; }
    void SetXonChar(uint8_t v) { set(xon_, v); }
    void SetXoffChar(uint8_t v) { set(xoff_, v); }
    void SetEofChar(uint8_t v) { set(eof_, v); }
    void SetErrorChar(uint8_t v) { set(error_, v); }
    void SetEventChar(uint8_t v) { set(event_, v); }

  private:
    void set(uint8_t &field, uint8_t v);
    TCustomComm *owner_;
    uint8_t xon_ = 17, xoff_ = 19, eof_ = 0, error_ = 0, event_ = 10;
};

class TCommTimeoutsEx
{
  public:
    explicit TCommTimeoutsEx(TCustomComm *owner) : owner_(owner) {}
    uint32_t ReadInterval() const { return readInterval_; }
    uint32_t ReadMultiplier() const { return readMultiplier_; }
    uint32_t ReadConstant() const { return readConstant_; }
    uint32_t WriteMultiplier() const { return writeMultiplier_; }
    uint32_t WriteConstant() const { return writeConstant_; }
    void SetReadInterval(uint32_t v) { set(readInterval_, v); }
    void SetReadMultiplier(uint32_t v) { set(readMultiplier_, v); }
    void SetReadConstant(uint32_t v) { set(readConstant_, v); }
    void SetWriteMultiplier(uint32_t v) { set(writeMultiplier_, v); }
    void SetWriteConstant(uint32_t v) { set(writeConstant_, v); }

  private:
    void set(uint32_t &field, uint32_t v);
    TCustomComm *owner_;
    uint32_t readInterval_ = 1, readMultiplier_ = 0, readConstant_ = 1;
    uint32_t writeMultiplier_ = 0, writeConstant_ = 1;
};

// Serial port component. Reads and writes poll the queues with time-outs;
// an event thread watches the line only while a line-event handler is set.
class TCustomComm
{
  public:
    using TCommEvent = std::function<void(TCustomComm *sender, TDeviceEvents events)>;
    using TDataEvent = std::function<void(TCustomComm *sender, uint32_t received)>;
    using TNotifyEvent = std::function<void(TCustomComm *sender)>;

    TCustomComm();
    // Takes the platform layer; tests may pass their own.
    explicit TCustomComm(std::unique_ptr<TSerialBackend> backend);
    virtual ~TCustomComm();
    TCustomComm(const TCustomComm &) = delete;
    TCustomComm &operator=(const TCustomComm &) = delete;

    virtual TCommLocks GetLocks() const;
    virtual void Open();
    virtual void Close();
    bool Opened() const;

    uint32_t InQueCount();
    uint32_t OutQueCount();
    // Time-out -1 means the buffers' default.
    uint32_t Write(const void *buffer, uint32_t count, int timeoutMs = -1);
    bool WriteByte(uint8_t byte);
    uint32_t Read(void *buffer, uint32_t count, int timeoutMs = -1);
    bool ReadByte(uint8_t &byte);

    // Raises or drops RTS. NotSupported: the device has no such line (a pty).
    enum class RtsResult { Done, NotSupported, Failed };
    RtsResult SwitchRts(bool on);
    int LastSystemError() const;
    QString SystemErrorText(int code) const;
    QString SystemErrorKind() const;

    QString DeviceName() const { return deviceName_; }
    void SetDeviceName(const QString &name);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate rate);
    uint32_t BaudValue() const { return baudValue_; }
    void SetBaudValue(uint32_t value);
    TFlowControl FlowControl() const { return flowControl_; }
    void SetFlowControl(TFlowControl fc);
    TRTSSettings RTSSettings() const { return rtsSettings_; }
    void SetRTSSettings(TRTSSettings v);
    TDTRSettings DTRSettings() const { return dtrSettings_; }
    void SetDTRSettings(TDTRSettings v);
    TXOnXOffSettings XOnXOffSettings() const { return xonxoffSettings_; }
    void SetXOnXOffSettings(TXOnXOffSettings v);
    TCommOptions Options() const { return options_; }
    void SetOptions(TCommOptions v);
    TDeviceEvents MonitorEvents() const { return monitorEvents_; }
    void SetMonitorEvents(TDeviceEvents v) { monitorEvents_ = v; }
    bool Synchronize() const { return synchronize_; }
    void SetSynchronize(bool v) { synchronize_ = v; }

    TCommDataControl &DataControl() { return dataControl_; }
    TCommBuffers &Buffers() { return buffers_; }
    TCommEventChars &EventChars() { return eventChars_; }
    TCommTimeoutsEx &Timeouts() { return timeouts_; }

    void SetOnCommEvent(TCommEvent handler);
    void SetOnData(TDataEvent handler);
    void SetOnRead(TNotifyEvent handler) { onRead_ = std::move(handler); }
    void SetOnSend(TNotifyEvent handler) { onSend_ = std::move(handler); }

    // Called by the settings objects when a group changed.
    void SettingsChanged(int group);
    enum { LineGroup, BufferGroup, TimeoutGroup };

  protected:
    void ApplyLineSettings();
    void ApplyBuffers();
    void ApplyTimeouts();
    // Runs the handlers for an event mask, on the UI thread when Synchronize.
    void DispatchEvents(TDeviceEvents events);

  private:
    struct Dispatch; // handlers and an alive flag shared with posted calls
    void startEventThread();
    void stopEventThread();
    void eventLoop();
    void runHandlers(TDeviceEvents events);
    [[noreturn]] void raiseSystem(int code);
    void applyFlowPreset();

    std::unique_ptr<TSerialBackend> backend_;
    QString deviceName_ = QStringLiteral("COM2");
    TBaudRate baudRate_ = br9600;
    uint32_t baudValue_ = 9600;
    TFlowControl flowControl_ = fcNone;
    TRTSSettings rtsSettings_ = 0;
    TDTRSettings dtrSettings_ = 0;
    TXOnXOffSettings xonxoffSettings_ = 0;
    TCommOptions options_ = 0;
    TDeviceEvents monitorEvents_ = deChar | deFlag | deOutEmpty;
    std::atomic<bool> synchronize_{true};
    TCommDataControl dataControl_{this};
    TCommBuffers buffers_{this};
    TCommEventChars eventChars_{this};
    TCommTimeoutsEx timeouts_{this};
    TNotifyEvent onRead_;
    TNotifyEvent onSend_;
    std::shared_ptr<Dispatch> dispatch_;
    std::thread eventThread_;
    std::atomic<bool> sendLock_{false};
    std::atomic<bool> readLock_{false};
};

class TXComm : public TCustomComm
{
  public:
    using TCustomComm::TCustomComm;
};
