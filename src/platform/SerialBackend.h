#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// What the serial driver needs from the operating system. The driver's logic
// (settings, clamping, error codes, read/write loops) stays above this, so a
// Win32 backend can sit beside the POSIX one.

struct TSerialLine {
    uint32_t baud = 9600;
    int dataBits = 8; // 4..8
    int parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0; // 0 one, 1 one and a half, 2 two
    bool ctsOut = false;
    bool dsrOut = false;
    bool rtsEnabled = false;
    bool rtsHandshake = false;
    bool dtrEnabled = false;
    bool dtrHandshake = false;
    bool inX = false;
    bool outX = false;
    bool parityCheck = false;
    bool discardNull = false;
    char xonChar = 17;
    char xoffChar = 19;
};

struct TSerialTimeouts {
    uint32_t readInterval = 1;
    uint32_t readMultiplier = 0;
    uint32_t readConstant = 1;
    uint32_t writeMultiplier = 0;
    uint32_t writeConstant = 1;
};

class TSerialBackend
{
  public:
    enum class Rts { Done, NotSupported, Failed };
    enum class Wake { Stop, Input, Timeout, Failed };

    virtual ~TSerialBackend() = default;

    // Exclusive: a second opener of the same device fails.
    virtual bool Open(const std::string &deviceName) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual bool ApplyLine(const TSerialLine &line) = 0;
    virtual bool Purge() = 0;
    virtual bool SetQueueSizes(uint32_t input, uint32_t output) = 0;
    virtual bool SetTimeouts(const TSerialTimeouts &timeouts) = 0;

    // False with LastError() set when the device failed (e.g. unplugged).
    virtual bool InQueue(uint32_t &count) = 0;
    virtual bool OutQueue(uint32_t &count) = 0;

    // Bytes transferred, 0 when the queue has no data/room now, -1 on failure.
    virtual long WriteSome(const uint8_t *data, size_t count) = 0;
    virtual long ReadSome(uint8_t *data, size_t count) = 0;
    // Blocks up to timeoutMs for input; false on time-out or failure.
    virtual bool WaitInput(int timeoutMs) = 0;

    virtual Rts SetRts(bool on) = 0;

    // Event watching for the driver's event thread. WaitEvent blocks until
    // StopEvents is called, input arrives (when watchInput) or the time-out.
    virtual bool StartEvents() = 0;
    virtual Wake WaitEvent(bool watchInput, int timeoutMs) = 0;
    virtual void StopEvents() = 0;
    virtual void EndEvents() = 0;

    virtual int LastError() const = 0;
    virtual std::string ErrorText(int code) const = 0;
    // The wording of the system form of an error, e.g. "Linux error".
    virtual const char *ErrorKind() const = 0;

    static std::unique_ptr<TSerialBackend> Create();
};
