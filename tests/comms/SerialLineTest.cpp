// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/SerialConnection.h"
#include "comms/SerialPort.h"
#include "comms/SerialTerminal.h"
#include "support/ScopedSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {
// "rate bits parity stop flow" of a configuration, "-" for no rate.
std::string lineText(const SerialConfig& c)
{
    return c.bitRate().value_or("-") + " " + c.dataBits() + " " + c.parity() + " " + c.stopBits() + " " +
           c.flowControl();
}
} // namespace

TEST(SerialConfig, SettingsReachTheTerminalBitsAndUnknownTextsApplyTheDefault)
{
    SerialConfig c;
    // Each setting in turn, and the configuration as read back from the terminal bits.
    using Set = void (SerialConfig::*)(const std::string&);
    const std::tuple<Set, const char*, const char*> steps[] = {
        {&SerialConfig::setDataBits, "7", "- 7 None 1 None"},
        {&SerialConfig::setBitRate, "115200", "115200 7 None 1 None"},
        {&SerialConfig::setParity, "Odd", "115200 7 Odd 1 None"},
        {&SerialConfig::setStopBits, "2", "115200 7 Odd 2 None"},
        {&SerialConfig::setFlowControl, "Hard", "115200 7 Odd 2 Hard"},
        {&SerialConfig::setParity, "None", "115200 7 None 2 Hard"},
        {&SerialConfig::setParity, "Even", "115200 7 Even 2 Hard"},
        {&SerialConfig::setFlowControl, "Soft", "115200 7 Even 2 Soft"},
        {&SerialConfig::setDataBits, "5", "115200 5 Even 2 Soft"},
        {&SerialConfig::setBitRate, "9600", "9600 5 Even 2 Soft"},
        // Unknown texts apply the default but keep the stored text.
        {&SerialConfig::setBitRate, "300", "2400 5 Even 2 Soft"},
        {&SerialConfig::setDataBits, "9", "2400 8 Even 2 Soft"},
        {&SerialConfig::setParity, "Mark", "2400 8 None 2 Soft"},
        {&SerialConfig::setStopBits, "1.5", "2400 8 None 1 Soft"},
        {&SerialConfig::setFlowControl, "DTR", "2400 8 None 1 None"},
    };
    LogCapture quiet;
    for (const auto& [set, text, expected] : steps) {
        (c.*set)(text);
        EXPECT_EQ(lineText(c), expected) << text;
    }
    EXPECT_EQ(c.settingsString(), "BitRate=9600 Parity=Even DataBits=5 StopBits=2 FlowControl=Soft");
}

TEST(SerialConfig, EveryBitRateReachesARealTerminalAndReadsBack)
{
    Pty pty;
    ASSERT_FALSE(pty.path().empty());
    std::vector<std::string> texts;
    // A pseudo-terminal always runs 8 bits without parity; speeds, stop bits
    // and flow control it keeps, as the kernel reports them.
    const std::string flows[] = {"Soft", "None", "Hard"};
    for (int speed : {2400, 4800, 9600, 19200, 38400, 57600, 76800, 115200, 153600}) {
        const std::string text = texts.emplace_back(std::to_string(speed)), flow = flows[texts.size() % 3];
        SerialConfig c;
        c.setBitRate(text);
        c.setStopBits("2");
        c.setFlowControl(flow);
        ASSERT_EQ(c.setSerialIOAttributes(pty.nearEnd()), 0) << text;
        int in = 0, out = 0;
        ASSERT_EQ(getArbitrarySpeed(pty.nearEnd(), in, out), 0);
        EXPECT_EQ(std::pair(in, out), std::pair(speed, speed));
        SerialConfig back;
        ASSERT_EQ(back.getSerialIOAttributes(pty.nearEnd()), 0);
        EXPECT_EQ(lineText(back), text + " 8 None 2 " + flow);
        // The receiver is on and modem lines are ignored, or nothing would arrive.
        const auto& a = back.currentTTYAttrs();
        EXPECT_EQ(a.controlModes & (CREAD | CLOCAL), unsigned(CREAD | CLOCAL));
        EXPECT_FALSE(a.localModes & ICANON);
        EXPECT_EQ(a.controlChars[VMIN], 1);
        // Software flow control listens for DC1 and DC3; the others not at all.
        const bool soft = flow == "Soft";
        EXPECT_EQ(a.inputModes & (IXON | IXOFF | IXANY), soft ? unsigned(IXON | IXOFF | IXANY) : 0u) << flow;
        if (soft) {
            EXPECT_EQ(Bytes({a.controlChars[VSTART], a.controlChars[VSTOP]}), bytes({0x11, 0x13}));
        }
    }
    EXPECT_EQ(SerialConfig::bitRateList(), texts);
    EXPECT_LT(SerialConfig().setSerialIOAttributes(-1), 0);
}

TEST(SerialPort, OpenCloseConfigureAndTheirFailures)
{
    SerialPort port;
    EXPECT_TRUE(port.close()); // closed already
    EXPECT_EQ(failureText(thrownBy([&] { port.configure(); })),
              "SerialPort.configure: dummy/port - Bad file descriptor");
    TempDir dir;
    const std::string missing = (dir / "nothing").string(), plain = (dir / "plain").string();
    writeFile(plain, "x");
    LogCapture quiet;
    // A file that is not a terminal opens but has no attributes.
    const std::pair<std::string, std::string> failures[] = {{"", "no portPath"},
                                                            {missing, missing + " - No such file or directory"},
                                                            {plain, plain + " - Inappropriate ioctl for device"}};
    for (const auto& [path, reason] : failures) {
        port.setPortPath(path);
        EXPECT_EQ(failureText(thrownBy([&] { port.open(); })), "SerialPort.open: " + reason);
        EXPECT_FALSE(port.isOpen());
    }

    // The device runs at 4800 before; closing restores what it had.
    FakeUnit unit;
    const int other = ::open(unit.path().c_str(), O_RDWR | O_NOCTTY);
    SerialConfig before, after;
    before.setBitRate("4800");
    ASSERT_EQ(before.setSerialIOAttributes(other), 0);
    before.getSerialIOAttributes(other);
    port.setPortPath(unit.path());
    ASSERT_TRUE(port.open());
    const int fd = port.fileDescriptor();
    EXPECT_TRUE(port.open()); // already open: same descriptor
    EXPECT_EQ(port.fileDescriptor(), fd);
    port.setBitRate("115200");
    port.configure();
    EXPECT_TRUE(port.close());
    EXPECT_EQ(port.fileDescriptor(), -1);
    EXPECT_FALSE(port.isOpen());
    after.getSerialIOAttributes(other);
    ::close(other);
    EXPECT_EQ(after.bitRate(), "4800");
    EXPECT_EQ(after.currentTTYAttrs().controlModes, before.currentTTYAttrs().controlModes);
}

TEST(SerialPort, ReadsAndWritesWithTheirWaitsAndFailures)
{
    FakeUnit unit;
    SerialPort port;
    port.setPortPath(unit.path());
    port.open();
    port.configure();
    uint8_t b = 0, buf[8];
    // No wait: the silent, non-blocking line has nothing to read.
    EXPECT_EQ(failureText(thrownBy([&] { port.getByte(&b); })),
              "SerialPort.getByte: read error Resource temporarily unavailable");
    port.setTimeoutRx(50ms);
    EXPECT_EQ(failureText(thrownBy([&] { port.getByte(&b); })).rfind("SerialPort.getByte: timeout ", 0), 0u);
    EXPECT_EQ(failureText(thrownBy([&] { port.getData(buf, 4); })).rfind("SerialPort.getData: timeout ", 0), 0u);
    EXPECT_FALSE(port.hasData());

    unit.script({bytes({0xF0, 0x41, 0x42, 0xF7})});
    port.setTimeoutTx(1);
    const uint8_t request[] = {0xF0, 0x1C, 0x70, 0x00, 0x0B, 0xF7};
    port.putData(request, 1, 4);
    port.putByte(request + 5);
    port.putByte(request);
    port.putString(std::string("\x1C\x70\x00\x0B\xF7", 5));
    // The bytes before the F0 are no frame; the four writes make one.
    ASSERT_TRUE(unit.waitForMessages(1));
    EXPECT_EQ(unit.received(), std::vector<Bytes>{bytes({0xF0, 0x1C, 0x70, 0x00, 0x0B, 0xF7})});
    EXPECT_TRUE(port.hasData());
    EXPECT_EQ(port.getByte(&b), 1);
    EXPECT_EQ(port.getData(buf, 1, 3), 3);
    buf[0] = b;
    EXPECT_EQ(Bytes(buf, buf + 4), bytes({0xF0, 0x41, 0x42, 0xF7}));
    EXPECT_EQ(port.flush(), 0);
    port.close();
    EXPECT_EQ(failureText(thrownBy([&] { port.putData(request, 6); })),
              "SerialPort.putData: write error Bad file descriptor");
}

TEST(SerialPort, ListsTheSerialDevicesTheKernelHasInAStableOrder)
{
    TempDir sys;
    auto device = [&](const std::string& name, const char* type = nullptr, bool driver = true) {
        fs::create_directories(sys / name);
        if (driver)
            fs::create_directories(sys / name / "device");
        if (type)
            writeFile(sys / name / "type", type);
    };
    device("ttyS10", "4");
    device("ttyS2", "4");
    device("ttyS1", "0\n"); // the hardware does not have it
    device("ttyUSB0");
    device("ttyACM0");
    device("tty0", nullptr, false); // a console, no device behind it
    device("pts", nullptr, false);
    LogCapture quiet;
    EXPECT_TRUE(SerialPort::portList((sys / "none").string()).empty());

    // The devices the kernel has, in natural order, then the stable names,
    // each with the device it leads to; a name whose adapter is gone is left
    // out.
    TempDir dev;
    const fs::path byId = dev / "serial" / "by-id";
    fs::create_directories(byId);
    writeFile(dev / "ttyUSB0", "");
    writeFile(dev / "ttyUSB1", "");
    fs::create_symlink("../../ttyUSB1", byId / "usb-FTDI_FT232R_B10-if00-port0");
    fs::create_symlink("../../ttyUSB0", byId / "usb-FTDI_FT232R_B9-if00-port0");
    fs::create_symlink(dev / "ttyUSB0", byId / "pci-Moxa-port0");
    fs::create_symlink("../../ttyUSB7", byId / "usb-Unplugged-if00-port0");
    using Choice = SerialPort::PortChoice;
    EXPECT_EQ(SerialPort::portChoices(sys.path().string(), "/dev", byId.string()),
              (std::vector<Choice>{{"/dev/ttyACM0", ""},
                                   {"/dev/ttyS2", ""},
                                   {"/dev/ttyS10", ""},
                                   {"/dev/ttyUSB0", ""},
                                   {(byId / "pci-Moxa-port0").string(), (dev / "ttyUSB0").string()},
                                   {(byId / "usb-FTDI_FT232R_B9-if00-port0").string(), (dev / "ttyUSB0").string()},
                                   {(byId / "usb-FTDI_FT232R_B10-if00-port0").string(), (dev / "ttyUSB1").string()}}));
    TempDir empty;
    EXPECT_EQ(SerialPort::portChoices(empty.path().string(), "/dev", (dev / "none").string()), std::vector<Choice>{});
}

TEST(SerialConnection, LineSettingsComeFromThePreferences)
{
    ScopedSettings settings;
    auto text = [](const LineSettings& s) {
        return s.portName.value_or("-") + " " + s.baudRate.value_or("-") + " " + s.dataBits.value_or("-") +
               s.parity.value_or("-") + s.stopBits.value_or("-") + s.flowControl.value_or("-");
    };
    EXPECT_EQ(text(LineSettings::fromPreferences()), "- 115200 8None2None"); // no port is chosen for the user
    settings.store.setValue("PortName", "/dev/ttyUSB0");
    settings.store.setValue("BaudRate", "38400");
    // Read afresh at every open.
    EXPECT_EQ(text(LineSettings::fromPreferences()), "/dev/ttyUSB0 38400 8None2None");
}

TEST(SerialConnection, OpensWithTheLineSettingsAndRenamesFailures)
{
    FakeUnit unit;
    LineSettings settings = lineTo(unit.path())();
    settings.baudRate = "57600";
    settings.flowControl = "Soft";
    settings.stopBits.reset(); // unset: the default
    settings.midiChannel = 5;  // the serial line knows no channel
    SerialConnection connection([&] { return settings; }, 100ms);
    LogCapture quiet;
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(lineText(connection.serialPort().serialConfig()), "57600 8 None 1 Soft");
    EXPECT_EQ(connection.serialPort().timeoutRxMillis(), 100ms);
    EXPECT_EQ(connection.programChangeStatus(), 0xC0);
    EXPECT_EQ(thrownBy([&] { connection.open(); }).name(), "SerialConnection.open");
    uint8_t b = 0;
    EXPECT_EQ(failureText(thrownBy([&] { connection.getByte(&b); })).rfind("SerialConnection.getByte: timeout ", 0),
              0u);

    EXPECT_TRUE(connection.close());
    EXPECT_FALSE(connection.isOpen());
    EXPECT_TRUE(connection.close());
    // Closed: transfers do nothing.
    EXPECT_EQ(connection.getByte(&b), 0);
    connection.putData(&b, 1);

    settings.portName.reset();
    EXPECT_EQ(failureText(thrownBy([&] { connection.open(); })), "SerialPort.open: no portPath");
}
