#include "ComPortWorker.h"

#include "LogWriter.h"
#include "platform/Clock.h"
#include "platform/Cp1251.h"
#include "platform/IntText.h"

#include <stdexcept>

TComPortWorker::TComPortWorker(const QString &portName, bool highSpeed, TLogWriter *log,
                               bool ownsPort)
    : comm_(new TXComm), ownsPort_(ownsPort), log_(log)
{
    comm_->Buffers().SetInputTimeout(500);
    comm_->Buffers().SetOutputTimeout(500);
    comm_->EventChars().SetEventChar(13);
    comm_->DataControl().SetStopBits(sb1);
    comm_->SetDeviceName(portName);
    comm_->DataControl().SetParity(paNone);
    comm_->SetFlowControl(fcNone);
    comm_->DataControl().SetDataBits(db8);
    comm_->SetBaudRate(highSpeed ? br115200 : br19200);
}

TComPortWorker::~TComPortWorker()
{
    if (ownsPort_)
        delete comm_;
}

void TComPortWorker::Open()
{
    if (comm_->Opened())
        comm_->Close();
    comm_->Open();
}

void TComPortWorker::Close()
{
    if (comm_->Opened())
        comm_->Close();
}

bool TComPortWorker::Opened() const
{
    return comm_->Opened();
}

QByteArray TComPortWorker::takeQueued()
{
    QByteArray bytes;
    // The queue count raises "Device not opened." on a closed port.
    for (uint32_t n = comm_->InQueCount(); n > 0 && comm_->Opened(); n = comm_->InQueCount()) {
        const qsizetype at = bytes.size();
        bytes.resize(at + n);
        const uint32_t got = comm_->Read(bytes.data() + at, n);
        bytes.resize(at + got);
        if (got == 0)
            break;
    }
    return bytes;
}

QString TComPortWorker::ReadText()
{
    QByteArray bytes = takeQueued();
    bytes.removeIf([](char c) { return c == '\0' || c == '\xFF'; });
    return cp1251::toUnicode(bytes);
}

QString TComPortWorker::ReadHex()
{
    const QByteArray bytes = takeQueued();
    QString out;
    out.reserve(bytes.size() * 3);
    static const char digits[] = "0123456789ABCDEF";
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.append(QChar(digits[b >> 4]));
        out.append(QChar(digits[b & 15]));
        out.append(QChar(' '));
    }
    return out;
}

void TComPortWorker::writeByte(uint8_t byte)
{
    comm_->WriteByte(byte); // a byte the queue refused is not retried
    lastWriteMs_ = t3clock::MonotonicMs();
    t3clock::SleepMs(BytePauseMs);
}

void TComPortWorker::WriteText(const QString &text)
{
    for (QChar c : text) {
        unsigned char b;
        if (!cp1251::encodeChar(c, b))
            b = '?';
        writeByte(b);
    }
}

void TComPortWorker::WriteHex(const QString &hexText)
{
    // Pair starts at 0, 3, 6, ...; a pair needs both its characters, so a
    // start at the last character ends the text.
    for (qsizetype i = 0; i + 1 < hexText.size(); i += 3) {
        const int hi = HexDigitValue(hexText[i]);
        const int lo = HexDigitValue(hexText[i + 1]);
        if (hi < 0 || lo < 0)
            throw std::invalid_argument(QStringLiteral("'%1' is not a valid hexadecimal byte")
                                            .arg(hexText.mid(i, 2))
                                            .toStdString());
        writeByte(static_cast<uint8_t>(hi * 16 + lo));
    }
}

void TComPortWorker::Log(const QString &line)
{
    if (log_)
        log_->WriteLine(line);
}

void TComPortWorker::switchRts(bool on)
{
    if (!comm_->Opened())
        return; // nothing to switch; the call set-up reports the port itself
    if (comm_->SwitchRts(on) == TCustomComm::RtsResult::Failed) {
        const int err = comm_->LastSystemError();
        throw EDeviceError::System(EDeviceError::RtsFailed, comm_->SystemErrorKind(), err,
                                   comm_->SystemErrorText(err));
    }
}

void TComPortWorker::ClrRTS()
{
    Log(QStringLiteral("ClrRTS"));
    switchRts(false);
}

void TComPortWorker::SetRTS()
{
    Log(QStringLiteral("SetRTS"));
    switchRts(true);
}
