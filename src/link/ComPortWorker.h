#pragma once
#include "XComDrv.h"

#include <QString>
#include <atomic>
#include <memory>

class TLogWriter;

// Owns one serial port set up for the tracker's line (19200 8N1, no flow
// control) and moves text and hexadecimal byte text over it. It never waits
// for data: waiting and retries belong to the modem worker.
class TComPortWorker
{
  public:
    static constexpr int BytePauseMs = 2;

    TComPortWorker(const QString &portName, bool highSpeed, TLogWriter *log, bool ownsPort);
    TComPortWorker(const QString &portName, TLogWriter *log)
        : TComPortWorker(portName, false, log, true)
    {
    }
    ~TComPortWorker();
    TComPortWorker(const TComPortWorker &) = delete;
    TComPortWorker &operator=(const TComPortWorker &) = delete;

    // Re-opening closes first. EDeviceError from the driver passes through.
    void Open();
    void Close();
    bool Opened() const;

    // Everything queued now; 0x00 and 0xFF (line noise) are dropped.
    QString ReadText();
    // Everything queued now as "4F 00 4B " (two digits and a blank per byte).
    QString ReadHex();
    // Windows-1251 bytes, each followed by a 2 ms pause.
    void WriteText(const QString &text);
    // Pairs at positions 0, 3, 6, ... ("01 A2" sends 0x01 0xA2), 2 ms apart.
    // A pair that is not hexadecimal raises std::invalid_argument after the
    // bytes before it were sent.
    void WriteHex(const QString &hexText);
    void Log(const QString &line);
    // Log their line, then switch RTS. A device without RTS (a pty) is not an
    // error; a real port that refuses raises EDeviceError 12.
    void ClrRTS();
    void SetRTS();

    TXComm *Comm() const { return comm_; }
    // Monotonic time of the last byte handed to the port (0: never).
    int64_t LastWriteMs() const { return lastWriteMs_; }

  private:
    void writeByte(uint8_t byte);
    void switchRts(bool on);
    QByteArray takeQueued();

    TXComm *comm_;
    bool ownsPort_;
    TLogWriter *log_;
    std::atomic<int64_t> lastWriteMs_{0};
};
