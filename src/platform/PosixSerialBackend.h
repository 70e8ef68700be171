#pragma once
#include "SerialBackend.h"

#include <atomic>

// termios serial device: exclusive open (TIOCEXCL plus an flock, since
// TIOCEXCL does not stop a privileged second opener), raw mode, non-blocking
// transfers, poll plus a stop pipe for the event thread.
class TPosixSerialBackend final : public TSerialBackend
{
  public:
    TPosixSerialBackend() = default;
    ~TPosixSerialBackend() override;
    TPosixSerialBackend(const TPosixSerialBackend &) = delete;
    TPosixSerialBackend &operator=(const TPosixSerialBackend &) = delete;

    // A bare name such as "ttyUSB0" means /dev/ttyUSB0; a path is used as is.
    static std::string DevicePath(const std::string &deviceName);

    bool Open(const std::string &deviceName) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    bool ApplyLine(const TSerialLine &line) override;
    bool Purge() override;
    bool SetQueueSizes(uint32_t input, uint32_t output) override;
    bool SetTimeouts(const TSerialTimeouts &timeouts) override;

    bool InQueue(uint32_t &count) override;
    bool OutQueue(uint32_t &count) override;

    long WriteSome(const uint8_t *data, size_t count) override;
    long ReadSome(uint8_t *data, size_t count) override;
    bool WaitInput(int timeoutMs) override;

    Rts SetRts(bool on) override;

    bool StartEvents() override;
    Wake WaitEvent(bool watchInput, int timeoutMs) override;
    void StopEvents() override;
    void EndEvents() override;

    int LastError() const override { return lastError_; }
    std::string ErrorText(int code) const override;
    const char *ErrorKind() const override { return "POSIX error"; }

  private:
    bool fail();
    int modemLine(int bit, bool on);

    int fd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::atomic<int> lastError_{0}; // the event thread also queries the device
    uint32_t inputSize_ = 0;
    uint32_t outputSize_ = 0;
    TSerialTimeouts timeouts_;
};
