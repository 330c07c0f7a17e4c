// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/MidiPortList.h"
#include "comms/SerialPort.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tosk {

// The window in which the user edits the settings: where the operator
// database lives, whether an untitled patch opens at start, the high sample
// rate, and how the unit is reached (a MIDI interface with its channel, or
// the serial line with its port and five line settings). Every change is
// stored at once and counts from the next time it is read: the database at
// the next start, the line at the next exchange with a unit.
class PreferencesWindow : public QWidget {
    Q_OBJECT

public:
    // What the port box offers, asked each time its list is shown.
    using PortLister = std::function<std::vector<SerialPort::PortChoice>()>;

    explicit PreferencesWindow(PortLister listPorts, QWidget* parent = nullptr);
    // A box that offers these devices, always the same.
    explicit PreferencesWindow(std::vector<std::string> ports, QWidget* parent = nullptr);

    // What the MIDI interface box offers, asked each time its list is shown
    // (the interfaces ALSA lists unless replaced).
    using MidiLister = std::function<std::vector<MidiPortList::Choice>()>;
    void setMidiLister(MidiLister lister);

    // Fills every control from the settings.
    void windowDidLoad();
    // MIDI on: the channel field; otherwise the six serial boxes.
    void enableConnectionObjects();
    // Reads the ports again into the port box, keeping what it shows.
    void fillPortList();
    // Reads the MIDI interfaces again into their box.
    void fillMidiPortList();

    void onChooseLocation();
    void onCreateNewDoc(bool on);
    void onHighSampleRate(bool on);
    void onMidiSelect(bool on);
    void onSerialSelect(bool on);
    // 1 to 16 (0 or empty: channel 1), or the field goes back to what is
    // stored and says why.
    void changeChannelNumber();
    void changeMidiPortName();
    void changePortName();
    void changeBaudRate();
    void changeDataBits();
    void changeParity();
    void changeStopBits();
    void changeFlowControl();
    // Empty: the id is learned from the unit; otherwise 0 to 127, or the
    // field goes back to what is stored and says why.
    void changeDeviceId();

signals:
    // A new database file was chosen; it is read at the next start.
    void sigDbaseLocationChanged();
    // The unit's sample rate was switched.
    void highSampleRateChanged(bool on);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* addCombo(const char* name, const char* key, const char* fallback, const std::vector<std::string>& items,
                        void (PreferencesWindow::*action)(), QComboBox* box = nullptr);

    PortLister listPorts_;
    MidiLister listMidiPorts_;
    QLineEdit* locationField_ = nullptr;
    QCheckBox* createNewDocCheck_ = nullptr;
    QCheckBox* highSampleRateCheck_ = nullptr;
    QRadioButton* midiButton_ = nullptr;
    QLineEdit* midiChannelField_ = nullptr;
    QComboBox* midiPortCombo_ = nullptr;
    QRadioButton* serialButton_ = nullptr;
    QComboBox* portNameCombo_ = nullptr;
    QComboBox* baudRateCombo_ = nullptr;
    QComboBox* dataBitsCombo_ = nullptr;
    QComboBox* parityCombo_ = nullptr;
    QComboBox* stopBitsCombo_ = nullptr;
    QComboBox* flowControlCombo_ = nullptr;
    QFormLayout* serialForm_ = nullptr;
    QLineEdit* deviceIdField_ = nullptr;
};

} // namespace tosk
