// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences window, the unit traffic window and the progress window,
// driven as a user would.
#include "app/MainMenuDelegate.h"
#include "app/PreferencesWindow.h"
#include "app/StartWindow.h"
#include "app/UnitProgressWindow.h"
#include "app/UnitTrafficModel.h"
#include "app/UnitTrafficWindow.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "comms/LineSettings.h"
#include "comms/UnitTraffic.h"
#include "gui/GuiTestSupport.h"
#include "support/ScopedSettings.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tosk;
using namespace tosk::test;
using namespace std::chrono_literals;

namespace {

QStringList items(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// Picks an item as a click in the open list would.
void pick(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Each row's text typed into `field` and Return pressed: then what is stored
// under `key` ("-": nothing) and how many alerts were given so far; the
// field shows what counts.
using TypedRows = std::vector<std::tuple<const char*, const char*, size_t>>;
void typeRows(QLineEdit* field, const SettingsStore& store, const std::vector<AlertRequest>& alerts, const char* key,
              const TypedRows& rows)
{
    for (const auto& [typed, stored, alertCount] : rows) {
        SCOPED_TRACE(typed);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, QString::fromLatin1(typed));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(store.value(key).value_or("-"), stored);
        EXPECT_EQ(alerts.size(), alertCount);
        EXPECT_EQ(field->text().toStdString(), std::string(stored) == "-" ? "" : stored);
    }
}

} // namespace

TEST(PreferencesWindow, ShowsTheStoredSettingsAndStoresEveryChangeAtOnce)
{
    ScopedSettings settings;
    ScopedRecordingAlerts alerts;
    PreferenceController::shared(); // the serial defaults
    PreferencesWindow window({"/dev/ttyS0", "/dev/ttyUSB0"});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Buttons answer clicks on their box and text, at the left.
    auto click = [&](const char* name) {
        auto* button = named<QAbstractButton>(&window, name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    };
    auto* channel = named<QLineEdit>(&window, "midiChannelField");
    auto* port = named<QComboBox>(&window, "portNameCombo");
    // The connection chosen, then which of the MIDI fields and the serial
    // boxes are enabled ("+").
    auto state = [&] {
        std::string out = named<QRadioButton>(&window, "midiRadio")->isChecked()     ? "midi "
                          : named<QRadioButton>(&window, "serialRadio")->isChecked() ? "serial "
                                                                                     : "none ";
        for (const char* name : {"midiChannelField", "midiPortCombo", "portNameCombo", "baudRateCombo", "dataBitsCombo",
                                 "parityCombo", "stopBitsCombo", "flowControlCombo"})
            out += named<QWidget>(&window, name)->isEnabled() ? '+' : '-';
        return out;
    };

    // Nothing stored for the connection: serial.
    EXPECT_EQ(state(), "serial --++++++");
    EXPECT_EQ(channel->text(), QStringLiteral("0"));
    EXPECT_EQ(items(port), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}));
    EXPECT_EQ(port->currentText(), QString()) << "no port chosen yet";
    EXPECT_EQ(items(named<QComboBox>(&window, "parityCombo")).join(' ') + " / " +
                  items(named<QComboBox>(&window, "flowControlCombo")).join(' '),
              QStringLiteral("None Odd Even / None Soft Hard"));

    click("midiRadio");
    EXPECT_EQ(settings.store.values["ConnectionTypeKey"], "Midi");
    EXPECT_EQ(state(), "midi ++------");
    typeRows(channel, settings.store, alerts.recorded, "MidiChannelKey", {{"5", "5", 0}});
    click("serialRadio");
    EXPECT_EQ(settings.store.values["ConnectionTypeKey"], "Serial");
    EXPECT_EQ(state(), "serial --++++++") << "at once";

    // A device from the list, then a typed path (a USB adapter, tosk-unit's link).
    pick(port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(settings.store.values["PortName"], "/dev/ttyUSB0");
    typeRows(port->lineEdit(), settings.store, alerts.recorded, "PortName", {{"/tmp/unit", "/tmp/unit", 0}});
    const std::tuple<const char*, const char*, const char*> boxes[] = {{"baudRateCombo", "9600", "BaudRate"},
                                                                       {"dataBitsCombo", "7", "DataBits"},
                                                                       {"parityCombo", "Even", "Parity"},
                                                                       {"stopBitsCombo", "1", "StopBits"},
                                                                       {"flowControlCombo", "Hard", "FlowControl"}};
    for (auto [box, text, key] : boxes) {
        pick(named<QComboBox>(&window, box), QString::fromLatin1(text));
        EXPECT_EQ(settings.store.values[key], text);
    }
    click("createNewDocCheck");
    EXPECT_TRUE(PreferenceController::shared().createNewDoc());

    // A window opened later shows what was stored; the typed port is kept
    // although no device of the list has that name.
    PreferencesWindow again({"/dev/ttyS0"});
    EXPECT_EQ(named<QComboBox>(&again, "portNameCombo")->currentIndex(), -1);
    EXPECT_EQ(named<QComboBox>(&again, "portNameCombo")->currentText(), QStringLiteral("/tmp/unit"));
    for (auto [box, text, key] : boxes)
        EXPECT_EQ(named<QComboBox>(&again, box)->currentText().toStdString(), text);
    EXPECT_EQ(named<QLineEdit>(&again, "midiChannelField")->text(), QStringLiteral("5"));
    EXPECT_TRUE(named<QCheckBox>(&again, "createNewDocCheck")->isChecked());
    EXPECT_EQ(settings.store.values["PortName"], "/tmp/unit");
}

TEST(PreferencesWindow, TheDeviceIdIsLearnedUnlessANumberFrom0To127IsTyped)
{
    ScopedSettings settings;
    ScopedRecordingAlerts alerts;
    PreferencesWindow window(std::vector<std::string>{});
    auto* field = named<QLineEdit>(&window, "deviceIdField");
    EXPECT_EQ(field->text(), QString());
    typeRows(field, settings.store, alerts.recorded, "DeviceId",
             {{"5", "5", 0},
              {"200", "5", 1},
              {"x1", "5", 2},
              {"", "-", 2},
              {"127", "127", 2},
              {"128", "127", 3},
              {"007", "7", 3},
              {"-1", "7", 4}});
    ASSERT_FALSE(alerts.recorded.empty());
    EXPECT_EQ(alerts.recorded[0].message, "\"200\" is not a device id: type a number from 0 to 127, or leave the "
                                          "field empty to learn it from the unit.");
    EXPECT_EQ(LineSettings::fromPreferences().deviceId, std::optional<uint8_t>(7));
}

TEST(PreferencesWindow, ChoosingTheDatabaseStoresItForTheNextStart)
{
    ScopedSettings settings;
    TempDir dir;
    const std::string inUse = "/opt/tosk/sigdbase.sbf", other = (dir / "other.sbf").string();
    settings.store.setValue("SigDbasePath", inUse);
    ScopedScriptedFileChooser chooser;
    MainMenuDelegate delegate;
    DatabaseSummary summary;
    summary.loaded = true;
    summary.path = inUse;
    StartWindow start(delegate, summary);
    start.show();
    PreferencesWindow* window = delegate.preferencesWindow();
    auto* field = named<QLineEdit>(window, "locationField");
    auto* next = named<QLabel>(&start, "nextPathValue");
    EXPECT_EQ(field->text().toStdString(), inUse);
    EXPECT_FALSE(next->isVisible());

    chooser.answers = {std::nullopt, other};
    auto* choose = named<QPushButton>(window, "chooseLocationButton");
    QTest::mouseClick(choose, Qt::LeftButton);
    EXPECT_EQ(field->text().toStdString() + " " + settings.store.values["SigDbasePath"], inUse + " " + inUse)
        << "cancelled";
    QTest::mouseClick(choose, Qt::LeftButton);
    EXPECT_EQ(field->text().toStdString() + " " + settings.store.values["SigDbasePath"], other + " " + other);
    EXPECT_TRUE(next->isVisible());
    EXPECT_EQ(next->text().toStdString(), other);
    ASSERT_EQ(chooser.requests.size(), 2u);
    EXPECT_EQ(chooser.requests[0].fileTypes, std::vector<std::string>{"sbf"});

    // File ▸ Preferences... of any window shows the one window.
    auto* action = named<QAction>(start.menuBar(), "actionPreferences");
    window->hide();
    action->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate.preferencesWindow(), window);

    // Close, Escape and Ctrl+W each close it.
    QTest::mouseClick(named<QPushButton>(window, "closeButton"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_W}) {
        action->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(choose, key.key(), key.keyboardModifiers());
        EXPECT_FALSE(window->isVisible()) << key.key();
    }
}

// The MIDI interface list is read each time it opens: an interface plugged
// in after the window was made is offered.
TEST(PreferencesWindow, TheMidiInterfaceIsChosenFromTheListAndTheChannelChecked)
{
    ScopedSettings settings;
    ScopedRecordingAlerts alerts;
    settings.store.setValue("PortName", "/dev/ttyS0");
    settings.store.setValue("ConnectionTypeKey", "Midi");
    std::vector<MidiPortList::Choice> interfaces;
    PreferencesWindow window(std::vector<std::string>{"/dev/ttyS0"});
    window.setMidiLister([&] { return interfaces; });
    auto* midiPort = named<QComboBox>(&window, "midiPortCombo");
    EXPECT_TRUE(midiPort->isEnabled());
    EXPECT_FALSE(named<QComboBox>(&window, "portNameCombo")->isEnabled());

    // No interface: the list says so, and there is nothing to choose.
    const QString none = QStringLiteral("No MIDI interfaces found");
    EXPECT_EQ(items(midiPort), QStringList{none});
    EXPECT_FALSE(qobject_cast<QStandardItemModel*>(midiPort->model())->item(0)->isEnabled());
    EXPECT_EQ(midiPort->currentText(), QString());
    EXPECT_EQ(midiPort->lineEdit()->placeholderText(), none);

    // Plugged in since: the open list reads the interfaces again.
    const QString um1 = QStringLiteral("UM1: USB MIDI Interface MIDI 1");
    interfaces = {{um1.toStdString(), "/dev/snd/midiC1D0"}, {"mio: mio MIDI 1", "/dev/snd/midiC3D0"}};
    midiPort->showPopup();
    EXPECT_EQ(items(midiPort), (QStringList{um1, "mio: mio MIDI 1"}));
    EXPECT_EQ(midiPort->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/snd/midiC1D0"));
    midiPort->hidePopup();
    pick(midiPort, um1);
    EXPECT_EQ(settings.store.values["MidiPortName"], um1.toStdString());
    EXPECT_EQ(settings.store.values["PortName"], "/dev/ttyS0") << "kept for switching back";

    typeRows(named<QLineEdit>(&window, "midiChannelField"), settings.store, alerts.recorded, "MidiChannelKey",
             {{"16", "16", 0},
              {"17", "16", 1},
              {"10", "10", 1},
              {"x", "10", 2},
              {"-1", "10", 3},
              {"0", "0", 3},
              {"7", "7", 3}});
    ASSERT_FALSE(alerts.recorded.empty());
    EXPECT_EQ(alerts.recorded[0].message, "\"17\" is not a MIDI channel: type a number from 1 to 16.");

    const LineSettings line = LineSettings::fromPreferences();
    EXPECT_TRUE(line.midi);
    EXPECT_EQ(line.midiChannel, 7);
    EXPECT_EQ(line.midiPortName, um1.toStdString());
    EXPECT_EQ(line.deviceName(), um1.toStdString());
}

// The port list is read each time it opens: an adapter plugged in after
// the window was made is offered, by its stable name with the device that
// name leads to, and what the box shows stays.
TEST(PreferencesWindow, ReadsThePortsEachTimeTheListOpens)
{
    ScopedSettings settings;
    settings.store.setValue("PortName", "/tmp/unit");
    std::vector<SerialPort::PortChoice> ports = {{"/dev/ttyS0", ""}};
    PreferencesWindow window([&] { return ports; });
    auto* port = named<QComboBox>(&window, "portNameCombo");
    EXPECT_EQ(items(port), QStringList{"/dev/ttyS0"});

    const QString stable = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    ports.push_back({stable.toStdString(), "/dev/ttyUSB0"});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(items(port), (QStringList{"/dev/ttyS0", stable}));
    EXPECT_EQ(port->currentText(), QStringLiteral("/tmp/unit"));

    ports.erase(ports.begin());
    port->showPopup();
    EXPECT_EQ(items(port), QStringList{stable});
    EXPECT_EQ(port->itemData(0, Qt::AccessibleTextRole).toString(), stable + QStringLiteral(" \u2192 /dev/ttyUSB0"));
    EXPECT_EQ(port->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(port->currentText(), QStringLiteral("/tmp/unit"));
    port->hidePopup();

    // Choosing it stores the stable name.
    pick(port, stable);
    EXPECT_EQ(settings.store.values["PortName"], stable.toStdString());
}

TEST(UnitTrafficWindow, ListsEveryFrameAsItComesAndSavesTheRecordAsText)
{
    TempDir dir;
    ScopedScriptedFileChooser chooser;
    ScopedRecordingAlerts alerts;
    QueuedMainThreadPoster poster;
    UnitTraffic traffic;
    auto record = [&](TrafficEntry::Direction direction, const Bytes& frame, size_t length, bool ended) {
        traffic.record(direction, "/tmp/unit", frame.data(), length, length, ended);
    };
    const Bytes getPatch{0xF0, 0x1C, 0x70, 0x00, 0x0B, 0xF7};
    record(TrafficEntry::Direction::Sent, getPatch, getPatch.size(), true);

    UnitTrafficWindow window(traffic, &poster);
    window.show();
    UnitTrafficModel* model = window.model();
    ASSERT_EQ(model->rowCount(), 1) << "frames from before the window opened";

    // A long reply is cut to its first bytes; one that never ended says so.
    Bytes reply{0xF0, 0x1C, 0x70, 0x00, 0x0A};
    reply.insert(reply.end(), 200, 'x');
    reply.push_back(0xF7);
    record(TrafficEntry::Direction::Received, reply, reply.size(), true);
    record(TrafficEntry::Direction::Received, reply, 7, false);
    EXPECT_EQ(model->rowCount(), 1) << "new frames arrive on the main thread";
    poster.pump();
    // Every row but its time.
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < UnitTrafficModel::ColumnCount; ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(QStringLiteral(" | "));
    }
    EXPECT_EQ(rows, (QStringList{"sent | get patch | 6 | F0 1C 70 00 0B F7",
                                 "received | patch text | 206 | F0 1C 70 00 0A 78 78 78 78 78 78 78 78 78 78 78 ...",
                                 "received | patch text | 7 | F0 1C 70 00 0A 78 78 (no F7)"}));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(model->index(0, 0).data().toString())
                    .hasMatch());
    EXPECT_EQ(named<QLabel>(&window, "trafficCount")->text(), QStringLiteral("3 frames"));

    chooser.answers = {(dir / "traffic.txt").string(), (dir / "missing" / "traffic.txt").string()};
    QTest::mouseClick(named<QPushButton>(&window, "saveTextButton"), Qt::LeftButton);
    const std::string saved = traffic.text();
    EXPECT_EQ(readFile(dir / "traffic.txt"), saved);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3);
    EXPECT_TRUE(alerts.recorded.empty());
    EXPECT_FALSE(window.saveAsText());
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message.rfind("The unit traffic could not be saved: ", 0), 0u);

    QTest::mouseClick(named<QPushButton>(&window, "clearButton"), Qt::LeftButton);
    EXPECT_EQ(model->rowCount() + traffic.size(), 0u);
    record(TrafficEntry::Direction::Sent, getPatch, getPatch.size(), true);
    poster.pump();
    EXPECT_EQ(model->rowCount(), 1) << "and goes on after a clear";
}

TEST(UnitProgressWindow, ShowsTheStageTheBytesAndTheWaitAndOffersCancel)
{
    UnitProgressWindow window;
    bool cancelled = false;
    QObject::connect(&window, &UnitProgressWindow::cancelRequested, [&] { cancelled = true; });
    auto* queued = named<QLabel>(&window, "queuedLabel");
    auto* cancel = named<QPushButton>(&window, "cancelButton");
    using Stage = RequestProgress::Stage;
    // Waited 1 s of 4, silent 3 s of 4; `sent` of `toSend` bytes: the bar in
    // thousandths, and what is said of the requests waiting behind.
    struct Case {
        Stage stage;
        size_t sent, toSend, waiting;
        int bar;
        const char* queued;
    };
    const Case cases[] = {
        {Stage::WaitingForLine, 0, 0, 0, 250, ""},
        {Stage::Sending, 50, 200, 1, 250, "1 more request waits its turn."},
        {Stage::Sending, 300, 200, 2, 1000, "2 more requests wait their turn."},
        {Stage::Sending, 0, 0, 0, 0, ""},
        {Stage::Receiving, 0, 0, 0, 750, ""},
        {Stage::Clearing, 0, 0, 0, 750, ""},
        {Stage::Done, 0, 0, 0, 1000, ""},
    };
    RequestProgress p{
        .command = 0x0E, .bytesReceived = 1234, .waited = 1s, .waitLimit = 4s, .silentFor = 3s, .silence = 4s};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        p.stage = c.stage;
        p.bytesSent = c.sent;
        p.bytesToSend = c.toSend;
        window.showProgress(p, c.waiting);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(named<QLabel>(&window, "commandLabel")->text(), QStringLiteral("Get database"));
        EXPECT_EQ(named<QLabel>(&window, "statusLabel")->text().toStdString(), p.description());
        EXPECT_EQ(named<QProgressBar>(&window, "progressBar")->value(), c.bar);
        EXPECT_EQ(queued->isVisible() ? queued->text().toStdString() : "", c.queued);
        EXPECT_EQ(cancel->isEnabled(), c.stage != Stage::Done);
    }
    p.stage = Stage::Sending;
    window.showProgress(p, 0);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(cancelled);
}

TEST(ApplicationMenu, EveryWindowCarriesTheWindowMenu)
{
    ScopedSettings settings;
    MainMenuDelegate delegate;
    StartWindow start(delegate, DatabaseSummary{});
    named<QAction>(named<QMenu>(start.menuBar(), "menuWindow"), "actionUnitTraffic")->trigger();
    ASSERT_TRUE(delegate.unitTrafficWindow());
    EXPECT_TRUE(delegate.unitTrafficWindow()->isVisible());
    delegate.unitTrafficWindow()->close();
}
