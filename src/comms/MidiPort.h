// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/LinePort.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tosk {

// A MIDI interface as a byte stream: its raw MIDI device node
// (/dev/snd/midiC1D0) opened with open(2), read and written like any
// descriptor, so a terminal or socket standing in for it runs the same code.
// MIDI real-time bytes (clock, active sensing: 0xF8 to 0xFF) may arrive at
// any moment, even inside a system-exclusive message; they are no part of
// what the unit says and are dropped as they are read, so they neither keep
// the line from falling silent nor end up in a reply. Failures are thrown
// as "MidiPort.open", "MidiPort.getData" and so on.
class MidiPort : public LinePort {
public:
    static constexpr bool isRealTime(uint8_t byte) { return byte >= 0xF8; }
    static constexpr std::chrono::milliseconds defaultDrainLimit{2000};

    MidiPort() = default;
    ~MidiPort() override;
    MidiPort(const MidiPort&) = delete;
    MidiPort& operator=(const MidiPort&) = delete;

    bool open() override;
    bool close() override;
    bool isOpen() const override { return fileDescriptor_ >= 0; }
    const std::string& portPath() const override { return portPath_; }
    void setPortPath(const std::string& path) override { portPath_ = path; }
    // The port of a node with several (a subdevice of the card's raw MIDI
    // device); -1, -1 for whichever is free.
    void setSubdevice(int card, int subdevice)
    {
        card_ = card;
        subdevice_ = subdevice;
    }
    int fileDescriptor() const override { return fileDescriptor_; }

    void setTimeoutRx(std::chrono::milliseconds timeout) override { timeoutRx_ = timeout; }
    void setTimeoutTx(std::chrono::milliseconds timeout) override { timeoutTx_ = timeout; }

    int waitForInput(std::chrono::milliseconds timeout) override;
    bool hasData() override { return waitForInput(timeoutRx_) == 1; }
    long getByte(uint8_t* buffer) override;
    long getData(uint8_t* buffer, size_t length) override;
    void putByte(const uint8_t* buffer) override;

    int txDrain() override;
    std::string undeliveredOutputText() const override;
    int rxFlush() override;
    int flush() override;

    // Program changes go out on the channel the user set (1 to 16); any
    // other number means channel 1.
    void setChannel(int channel) { channel_ = channel >= 1 && channel <= 16 ? channel : 1; }
    int channel() const { return channel_; }
    uint8_t programChangeStatus() const override { return uint8_t(0xC0 | (channel_ - 1)); }

private:
    // One read of what is there; its non-real-time bytes are kept in
    // pending_. Answers the read's result.
    long fill();
    long take(const char* name, uint8_t* buffer, size_t length);

    std::string portPath_;
    int fileDescriptor_ = -1;
    bool terminal_ = false;
    std::chrono::milliseconds timeoutRx_{0};
    std::chrono::milliseconds timeoutTx_{0};
    int channel_ = 1;
    int card_ = -1;
    int subdevice_ = -1;
    std::vector<uint8_t> pending_;
    size_t pendingFrom_ = 0;
    // The end of the stream or a failed read, kept for the next getData.
    bool ended_ = false;
    int readError_ = 0;
    int drainError_ = 0;
};

} // namespace tosk
