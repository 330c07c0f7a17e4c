// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI line without MIDI hardware: a pseudo-terminal stands in for the
// raw MIDI device node and is opened, read and written through the same
// code; the interface list is read from a made-up card list.
#include "CommsTestSupport.h"

#include "comms/KorvatelConnection.h"
#include "comms/MidiPort.h"
#include "comms/MidiPortList.h"
#include "comms/SerialConnection.h"
#include "comms/SysexReply.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

LineSettingsSource midiTo(const std::string& port, int channel = 0)
{
    LineSettings s;
    s.midi = true;
    s.midiPortName = port;
    s.midiChannel = channel;
    return [s] { return s; };
}

// Between the MIDI line's stand-in and tosk-unit's terminal, as a MIDI
// interface would be: it passes every byte both ways and adds the clock
// (F8) and active sensing (FE) a MIDI device sends all the time, between
// replies and inside them.
class RealTimeRelay {
public:
    explicit RealTimeRelay(const std::string& unitLink)
        : unit_(::open(unitLink.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~RealTimeRelay()
    {
        thread_.request_stop();
        thread_.join();
        ::close(unit_);
    }
    const std::string& path() const { return in_.path(); }
    bool ready() const { return unit_ >= 0 && !in_.path().empty(); }

private:
    void run(const std::stop_token& stop)
    {
        for (int tick = 0; !stop.stop_requested(); ++tick) {
            pollfd p[2] = {{in_.farEnd(), POLLIN, 0}, {unit_, POLLIN, 0}};
            ::poll(p, 2, 10);
            uint8_t chunk[512];
            Bytes toUnit, toLine;
            for (ssize_t i = 0, n = ::read(in_.farEnd(), chunk, sizeof chunk); i < n; ++i)
                if (!MidiPort::isRealTime(chunk[i]))
                    toUnit.push_back(chunk[i]);
            for (ssize_t i = 0, n = ::read(unit_, chunk, sizeof chunk); i < n; ++i) {
                toLine.push_back(chunk[i]);
                if (i % 7 == 3)
                    toLine.push_back(0xF8);
            }
            // A clock that never stops, as long as the line is open.
            if (tick % 2 == 0)
                toLine.push_back(tick % 4 == 0 ? 0xF8 : 0xFE);
            put(unit_, toUnit);
            put(in_.farEnd(), toLine);
        }
    }
    static void put(int fd, const Bytes& b)
    {
        for (size_t done = 0, tries = 0; done < b.size() && tries < 100; ++tries) {
            const ssize_t n = ::write(fd, b.data() + done, b.size() - done);
            if (n > 0)
                done += size_t(n);
            else
                std::this_thread::sleep_for(1ms);
        }
    }

    Pty in_;
    int unit_ = -1;
    std::jthread thread_{[this](const std::stop_token& stop) { run(stop); }};
};

const std::vector<MidiPortList::Card> twoCards = {
    {1, "UM1", {{0, "USB MIDI Interface MIDI 1"}}},
    {3, "UM2", {{0, "MIDI 1", 0}, {0, "MIDI 2", 1}, {2, "Thru"}}},
};

} // namespace

TEST(MidiPortList, ChoicesAreNamedByCardIdAndLeadToTheirNodes)
{
    using Choice = MidiPortList::Choice;
    EXPECT_EQ(MidiPortList::choices(twoCards),
              (std::vector<Choice>{{"UM1: USB MIDI Interface MIDI 1", "/dev/snd/midiC1D0"},
                                   {"UM2: MIDI 1", "/dev/snd/midiC3D0", 3, 0},
                                   {"UM2: MIDI 2", "/dev/snd/midiC3D0", 3, 1},
                                   {"UM2: Thru", "/dev/snd/midiC3D2"}}));

    // Plugged into another socket the card has another number, the same id.
    const std::vector<MidiPortList::Card> replugged = {{4, "UM1", {{0, "USB MIDI Interface MIDI 1"}}}};
    EXPECT_EQ(MidiPortList::nodeFor("UM1: USB MIDI Interface MIDI 1", replugged), "/dev/snd/midiC4D0");
    EXPECT_EQ(MidiPortList::find("UM2: MIDI 2", twoCards), (Choice{"UM2: MIDI 2", "/dev/snd/midiC3D0", 3, 1}));
    EXPECT_EQ(MidiPortList::nodeFor("/tmp/unit-midi", {}), "/tmp/unit-midi") << "a path is the node itself";

    // The name asked for, the interfaces there are, and why there is no node.
    const std::tuple<std::string, std::vector<MidiPortList::Card>, std::string> failures[] = {
        {"UM1: USB MIDI Interface MIDI 1", {}, "No MIDI interfaces found"},
        {"", {}, "No MIDI interfaces found"},
        {"UM2: USB MIDI Interface MIDI 1", twoCards,
         "The MIDI interface \"UM2: USB MIDI Interface MIDI 1\" is not connected."},
        {"", twoCards, "No MIDI interface is chosen in the preferences."},
    };
    for (const auto& [name, cards, reason] : failures)
        EXPECT_EQ(failureText(thrownBy([&] { MidiPortList::nodeFor(name, cards); })), "MidiPort.open: " + reason)
            << name;

    // Without sound devices the line says so before any exchange.
    if (fs::exists("/dev/snd"))
        return;
    EXPECT_TRUE(MidiPortList::alsaCards().empty());
    SerialConnection line(midiTo("UM1: USB MIDI Interface MIDI 1"));
    EXPECT_EQ(failureText(thrownBy([&] { line.open(); })), "MidiPort.open: No MIDI interfaces found");
    EXPECT_FALSE(line.isOpen());
}

TEST(MidiLine, RealTimeBytesAreDroppedWhereverTheyArrive)
{
    Pty far;
    ASSERT_FALSE(far.path().empty());
    SerialConnection line(midiTo(far.path()), 200ms);
    ASSERT_TRUE(line.open());

    // Clock and active sensing before, inside and after a frame.
    far.write({0xFE, 0xF0, 0x1C, 0xF8, 0x70, 0x00, 0xF8, 0xF8, 0x0A, 0x41, 0xFF, 0xF7, 0xF8});
    Bytes got;
    uint8_t chunk[64];
    while (line.waitForInput(200ms) == 1) {
        const long n = line.getData(chunk, sizeof chunk);
        ASSERT_GT(n, 0);
        got.insert(got.end(), chunk, chunk + n);
    }
    EXPECT_EQ(got, bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 0x41, 0xF7}));

    // Real-time bytes alone are silence: there is nothing to read.
    far.write({0xF8, 0xFE, 0xF8});
    EXPECT_EQ(line.waitForInput(100ms), 0);
    EXPECT_EQ(thrownBy([&] { line.getByte(chunk); }).reason().rfind("timeout ", 0), 0u);

    // What we write reaches the device unchanged.
    const Bytes request = sysex::frame(0, 0x1A);
    line.putData(request.data(), request.size());
    EXPECT_EQ(far.read(), request);

    // Bytes already there are found without waiting.
    far.write(request);
    pollfd arrived{far.nearEnd(), POLLIN, 0};
    ASSERT_EQ(::poll(&arrived, 1, 2000), 1);
    EXPECT_EQ(line.waitForInput(0ms), 1);
    line.close();
}

// A raw MIDI device is no terminal: there is nothing to set and no output
// queue to wait for when it closes. A FIFO stands in for one.
TEST(MidiLine, ProgramChangeGoesOutOnTheChosenChannelOfALineThatIsNoTerminal)
{
    const std::pair<int, uint8_t> cases[] = {{0, 0xC0}, {1, 0xC0}, {5, 0xC4}, {16, 0xCF}, {17, 0xC0}, {-3, 0xC0}};
    TempDir dir;
    const std::string fifo = (dir / "midi").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Bytes request = sysex::frame(0, 0x1A);
    for (const auto& [channel, status] : cases) {
        SerialConnection line(midiTo(fifo, channel), 200ms);
        ASSERT_TRUE(line.open());
        EXPECT_EQ(line.programChangeStatus(), status) << "channel " << channel;
        line.putData(request.data(), request.size());
        EXPECT_NO_THROW(line.close());
        EXPECT_FALSE(line.isOpen());
    }
}

// Every unit command, and a browser's walk, over the MIDI line with a clock
// running gets what the serial line gets, byte for byte.
TEST(MidiLine, UnitCommandsAndBrowsingAnswerAsOverTheSerialLine)
{
    TempDir dir, other;
    // Two units alike, one on each line.
    const std::vector<std::string> args = {"--banks", makeTestBanks(dir.path()).string()};
    UnitProcess unit(dir.path(), args), midiUnit(other.path(), args);
    ASSERT_TRUE(unit.started() && midiUnit.started());
    RealTimeRelay relay(midiUnit.link());
    ASSERT_TRUE(relay.ready());

    Queued serial(unit.link()), midi(midiTo(relay.path()));
    const std::pair<uint8_t, Bytes> commands[] = {
        {0x0B, {}}, {0x0E, {}}, {0x18, {}}, {0x0A, bytes({0x00, 0x01, 'x'})}}; // get, database, screen, refused send
    for (const auto& [command, payload] : commands) {
        SCOPED_TRACE(int(command));
        serial.ask(command, payload);
        midi.ask(command, payload);
        ASSERT_EQ(midi.client->calls.size(), serial.client->calls.size());
        EXPECT_EQ(midi.client->calls.back().first, serial.client->calls.back().first);
    }
    EXPECT_EQ(textOf(SysexReply::check(midi.client->calls[0].first).payload), smallRoomText);
    EXPECT_EQ(textOf(SysexReply::check(midi.client->calls[3].first).payload),
              "Cannot load patch: line 1 is not text (byte 0x00)");

    // A patch sent runs; update asks for it again.
    const std::string mine = "HEADM adc\r\nTAIL \"Me\"\r\n";
    for (Queued* q : {&serial, &midi}) {
        q->send(0x0A, bytes(mine));
        ASSERT_TRUE(q->settle());
        EXPECT_EQ(textOf(q->ask(0x0B).payload), mine);
    }

    // A unit window browses the banks and selects a patch with a program change.
    KorvatelConnection overMidi(unitWithId(0), midiTo(relay.path()), 1000ms, 0ms);
    KorvatelConnection overSerial(unitWithId(0), lineTo(unit.link()), 1000ms, 0ms);
    BankList banks = overMidi.getBankList();
    EXPECT_EQ(banks.bankNumberKeys(), overSerial.getBankList().bankNumberKeys());
    ASSERT_EQ(banks.bankNumberKeys(), (std::vector<int>{1, 7}));
    overMidi.selectPatch(0, 7);
    overSerial.selectPatch(0, 7);
    EXPECT_EQ(overMidi.getSigFile(), echoText) << "the patch selected runs";
    EXPECT_EQ(overSerial.getSigFile(), echoText);

    // Both units heard the same bytes.
    const std::vector<std::string> trace = midiUnit.trace();
    EXPECT_EQ(trace, unit.trace());
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "C0 00"), 1) << "the program change, on channel 1";
}
