#pragma once
#include <QByteArray>
#include <cstdint>
#include <optional>

// Small text helpers of the tracker's own firmware: the tracker parses and
// prints its values itself, independently of the tool.
namespace t3sim::hex
{

// Upper-case hexadecimal, zero-padded to width digits.
QByteArray format(quint64 value, int width);
// Value of exactly the given digits (either letter case); nothing on any other character.
std::optional<quint64> parse(const QByteArray &digits);
// Frame text: "A0 A2 00 02" for the bytes given.
QByteArray frameText(const QByteArray &bytes);

} // namespace t3sim::hex
