#pragma once
#include <QByteArray>
#include <QMap>

#include <array>

namespace t3sim
{

// The loader's staging flash: blocks kept by index until "EE" proves the
// whole image and the tracker reprograms itself from it. The staging area
// outlives a dropped call, so an update can go on where it stopped.
class Bootloader
{
  public:
    enum class BlockResult { Stored, Malformed, BadSum };

    static constexpr const char *kVersion = "BootLdr v1.0";

    void erase() { m_blocks.clear(); }
    // body is what follows "W": index, ':', data digits, ':', sum digits.
    BlockResult writeBlock(const QByteArray &body, int *index);
    // The four running sums of the stored blocks, taken in index order.
    std::array<quint8, 4> runningSums() const;
    // body is what follows "EE": four sums of two digits each.
    bool closeMatches(const QByteArray &body) const;

    QMap<int, QByteArray> blocks() const { return m_blocks; }
    // The stored data laid out from address 0, gaps as erased flash (FF).
    QByteArray image() const;
    QByteArray flashedImage() const { return m_flashed; }
    void commit()
    {
        m_flashed = image();
        ++m_updates;
    }
    int updates() const { return m_updates; }

  private:
    QMap<int, QByteArray> m_blocks;
    QByteArray m_flashed;
    int m_updates = 0;
};

} // namespace t3sim
