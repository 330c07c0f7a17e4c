// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PreferencesWindow.h"

#include "app/SigDbaseOpening.h"

#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "canvas/CloseKeys.h"
#include "canvas/Latin1.h"
#include "comms/SerialConfig.h"
#include "database/SigDbase.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace tosk {

namespace {

PreferenceController& preferences()
{
    return PreferenceController::shared();
}

// Selects the stored value among the box's items; a value the box does not
// list is selected nowhere (an editable box shows it as typed).
void select(QComboBox* box, const std::optional<std::string>& stored)
{
    const QString value = stored ? QFile::decodeName(stored->c_str()) : QString();
    const int index = stored ? box->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1;
    box->setCurrentIndex(index);
    if (box->isEditable() && index < 0)
        box->setEditText(value);
}

std::string chosen(const QComboBox* box)
{
    QByteArray text = QFile::encodeName(box->currentText().trimmed());
    return std::string(text.constData(), size_t(text.size()));
}

// The port box reads the ports again each time its list opens: an adapter
// plugged in since shows.
class PortComboBox : public QComboBox {
public:
    PortComboBox(std::function<void()> refresh, QWidget* parent) : QComboBox(parent), refresh_(std::move(refresh)) {}
    void showPopup() override
    {
        refresh_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> refresh_;
};

// The open list shows a stable name with the device it leads to; the box,
// and what is stored, hold the name alone.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString shown = index.data(Qt::AccessibleTextRole).toString();
        if (!shown.isEmpty())
            option->text = shown;
    }
};

} // namespace

PreferencesWindow::PreferencesWindow(std::vector<std::string> ports, QWidget* parent)
    : PreferencesWindow(
          [ports = std::move(ports)] {
              std::vector<SerialPort::PortChoice> choices;
              for (const std::string& port : ports)
                  choices.push_back({port, {}});
              return choices;
          },
          parent)
{
}

PreferencesWindow::PreferencesWindow(PortLister listPorts, QWidget* parent)
    : QWidget(parent, Qt::Window), listPorts_(std::move(listPorts))
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(Latin1::text("PreferencesTitle", "Preferences"));
    auto* column = new QVBoxLayout(this);

    auto* database = new QGroupBox(Latin1::text("PrefDatabase", "Operator database"), this);
    auto* databaseColumn = new QVBoxLayout(database);
    auto* locationRow = new QHBoxLayout();
    locationField_ = new QLineEdit(database);
    locationField_->setObjectName(QStringLiteral("locationField"));
    locationField_->setReadOnly(true);
    locationField_->setMinimumWidth(360);
    locationField_->setAccessibleName(Latin1::text("PrefLocationName", "Database file"));
    locationRow->addWidget(locationField_, 1);
    auto* choose = new QPushButton(Latin1::text("PrefChoose", "Choos&e..."), database);
    choose->setObjectName(QStringLiteral("chooseLocationButton"));
    choose->setAccessibleName(Latin1::text("PrefChooseName", "Choose the database file"));
    locationRow->addWidget(choose);
    databaseColumn->addLayout(locationRow);
    auto* nextStart =
        new QLabel(Latin1::text("PrefDatabaseNote", "A new database file is read at the next start."), database);
    nextStart->setEnabled(false);
    databaseColumn->addWidget(nextStart);
    column->addWidget(database);

    auto* start = new QGroupBox(Latin1::text("PrefGeneral", "General"), this);
    auto* startColumn = new QVBoxLayout(start);
    createNewDocCheck_ = new QCheckBox(Latin1::text("PrefCreateNewDoc", "&Open an untitled patch at start"), start);
    createNewDocCheck_->setObjectName(QStringLiteral("createNewDocCheck"));
    startColumn->addWidget(createNewDocCheck_);
    highSampleRateCheck_ =
        new QCheckBox(Latin1::text("PrefHighSampleRate", "The unit runs at the &high sample rate"), start);
    highSampleRateCheck_->setObjectName(QStringLiteral("highSampleRateCheck"));
    startColumn->addWidget(highSampleRateCheck_);
    column->addWidget(start);

    auto* connection = new QGroupBox(Latin1::text("PrefConnection", "Connection to the unit"), this);
    auto* connectionColumn = new QVBoxLayout(connection);
    auto* midiRow = new QHBoxLayout();
    midiButton_ = new QRadioButton(Latin1::text("PrefMidi", "&MIDI"), connection);
    midiButton_->setObjectName(QStringLiteral("midiRadio"));
    midiRow->addWidget(midiButton_);
    auto* channelLabel = new QLabel(Latin1::text("PrefMidiChannel", "&Channel:"), connection);
    midiRow->addWidget(channelLabel);
    midiChannelField_ = new QLineEdit(connection);
    midiChannelField_->setObjectName(QStringLiteral("midiChannelField"));
    midiChannelField_->setMaximumWidth(60);
    channelLabel->setBuddy(midiChannelField_);
    midiRow->addWidget(midiChannelField_);
    midiRow->addStretch(1);
    connectionColumn->addLayout(midiRow);
    auto* midiForm = new QFormLayout();
    midiForm->setContentsMargins(24, 0, 0, 0);
    midiPortCombo_ = new PortComboBox([this] { fillMidiPortList(); }, this);
    midiPortCombo_->setObjectName(QStringLiteral("midiPortCombo"));
    midiPortCombo_->setEditable(true);
    midiPortCombo_->setInsertPolicy(QComboBox::NoInsert);
    midiPortCombo_->setItemDelegate(new PortItemDelegate(midiPortCombo_));
    midiPortCombo_->setMinimumWidth(260);
    const QString midiPortLabel = Latin1::text("PrefMidiPort", "&Interface:");
    midiForm->addRow(midiPortLabel, midiPortCombo_);
    midiPortCombo_->setAccessibleName(QString(midiPortLabel).remove(QLatin1Char(':')).remove(QLatin1Char('&')));
    midiPortCombo_->lineEdit()->setAccessibleName(midiPortCombo_->accessibleName());
    midiPortCombo_->view()->setAccessibleName(midiPortCombo_->accessibleName());
    connectionColumn->addLayout(midiForm);

    serialButton_ = new QRadioButton(Latin1::text("PrefSerial", "&Serial line"), connection);
    serialButton_->setObjectName(QStringLiteral("serialRadio"));
    connectionColumn->addWidget(serialButton_);
    auto* group = new QButtonGroup(this);
    group->addButton(midiButton_);
    group->addButton(serialButton_);

    serialForm_ = new QFormLayout();
    serialForm_->setContentsMargins(24, 0, 0, 0);
    connectionColumn->addLayout(serialForm_);
    portNameCombo_ = addCombo("portNameCombo", "PrefPort", "&Port:", {}, &PreferencesWindow::changePortName,
                              new PortComboBox([this] { fillPortList(); }, this));
    portNameCombo_->setItemDelegate(new PortItemDelegate(portNameCombo_));
    portNameCombo_->setEditable(true);
    portNameCombo_->setInsertPolicy(QComboBox::NoInsert);
    portNameCombo_->lineEdit()->setPlaceholderText(
        Latin1::text("PrefPortPlaceholder", "a device, or a path such as /tmp/unit"));
    portNameCombo_->setMinimumWidth(260);
    portNameCombo_->lineEdit()->setAccessibleName(portNameCombo_->accessibleName());
    baudRateCombo_ = addCombo("baudRateCombo", "PrefBitRate", "&Bit rate:", SerialConfig::bitRateList(),
                              &PreferencesWindow::changeBaudRate);
    dataBitsCombo_ = addCombo("dataBitsCombo", "PrefDataBits", "&Data bits:", SerialConfig::dataBitList(),
                              &PreferencesWindow::changeDataBits);
    parityCombo_ =
        addCombo("parityCombo", "PrefParity", "P&arity:", SerialConfig::parityList(), &PreferencesWindow::changeParity);
    stopBitsCombo_ = addCombo("stopBitsCombo", "PrefStopBits", "S&top bits:", SerialConfig::stopBitList(),
                              &PreferencesWindow::changeStopBits);
    flowControlCombo_ =
        addCombo("flowControlCombo", "PrefFlowControl", "&Flow control:", SerialConfig::flowControlList(),
                 &PreferencesWindow::changeFlowControl);
    auto* deviceForm = new QFormLayout();
    deviceIdField_ = new QLineEdit(connection);
    deviceIdField_->setObjectName(QStringLiteral("deviceIdField"));
    deviceIdField_->setMaximumWidth(60);
    deviceIdField_->setPlaceholderText(Latin1::text("PrefDeviceIdLearned", "learned"));
    deviceIdField_->setToolTip(Latin1::text("PrefDeviceIdTip", "The unit's device id, 0 to 127. Left empty, Tosk asks "
                                                               "the unit for it."));
    deviceForm->addRow(Latin1::text("PrefDeviceId", "Unit's device &id:"), deviceIdField_);
    deviceIdField_->setAccessibleName(Latin1::text("PrefDeviceIdName", "Unit's device id"));
    connectionColumn->addLayout(deviceForm);
    column->addWidget(connection);
    column->addStretch(1);
    // Every choice takes effect at once: closing is all that is left.
    auto* closeRow = new QHBoxLayout();
    closeRow->addStretch(1);
    auto* close = new QPushButton(Latin1::text("PrefClose", "C&lose"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    closeRow->addWidget(close);
    column->addLayout(closeRow);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    CloseKeys::install(this);

    connect(choose, &QPushButton::clicked, this, &PreferencesWindow::onChooseLocation);
    connect(createNewDocCheck_, &QCheckBox::clicked, this, &PreferencesWindow::onCreateNewDoc);
    connect(highSampleRateCheck_, &QCheckBox::clicked, this, &PreferencesWindow::onHighSampleRate);
    connect(midiButton_, &QRadioButton::clicked, this, &PreferencesWindow::onMidiSelect);
    connect(serialButton_, &QRadioButton::clicked, this, &PreferencesWindow::onSerialSelect);
    connect(midiChannelField_, &QLineEdit::editingFinished, this, &PreferencesWindow::changeChannelNumber);
    connect(midiPortCombo_, &QComboBox::activated, this, &PreferencesWindow::changeMidiPortName);
    connect(midiPortCombo_->lineEdit(), &QLineEdit::editingFinished, this, &PreferencesWindow::changeMidiPortName);
    connect(deviceIdField_, &QLineEdit::editingFinished, this, &PreferencesWindow::changeDeviceId);
    // A typed path counts when the user leaves the box or presses Return.
    connect(portNameCombo_->lineEdit(), &QLineEdit::editingFinished, this, &PreferencesWindow::changePortName);

    listMidiPorts_ = [] { return MidiPortList::choices(); };
    fillPortList();
    fillMidiPortList();
    windowDidLoad();
}

void PreferencesWindow::setMidiLister(MidiLister lister)
{
    listMidiPorts_ = std::move(lister);
    fillMidiPortList();
}

QComboBox* PreferencesWindow::addCombo(const char* name, const char* key, const char* fallback,
                                       const std::vector<std::string>& items, void (PreferencesWindow::*action)(),
                                       QComboBox* box)
{
    if (!box)
        box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    for (const std::string& item : items)
        box->addItem(QFile::decodeName(item.c_str()));
    const QString label = Latin1::text(key, fallback);
    serialForm_->addRow(label, box);
    // A combo box is otherwise announced by its value alone.
    box->setAccessibleName(QString(label).remove(QLatin1Char(':')).remove(QLatin1Char('&')));
    // Its open list is announced by the same name.
    box->view()->setAccessibleName(box->accessibleName());
    connect(box, &QComboBox::activated, this, action);
    return box;
}

void PreferencesWindow::windowDidLoad()
{
    const PreferenceController& p = preferences();
    locationField_->setText(QFile::decodeName(p.sigDbaseLocation().c_str()));
    createNewDocCheck_->setChecked(p.createNewDoc());
    highSampleRateCheck_->setChecked(p.highSampleRate());
    midiChannelField_->setText(QString::number(p.midiChannel()));
    midiChannelField_->setModified(false);
    select(portNameCombo_, p.portNameDefault());
    select(midiPortCombo_, p.midiPortName());
    select(baudRateCombo_, p.baudRateDefault());
    select(dataBitsCombo_, p.dataBitsDefault());
    select(parityCombo_, p.parityDefault());
    select(stopBitsCombo_, p.stopBitsDefault());
    select(flowControlCombo_, p.flowControlDefault());
    deviceIdField_->setText(p.deviceId() ? QString::number(*p.deviceId()) : QString());
    deviceIdField_->setModified(false);
    enableConnectionObjects();
}

void PreferencesWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fillPortList();
    fillMidiPortList();
}

void PreferencesWindow::fillMidiPortList()
{
    const QString shown = midiPortCombo_->currentText();
    const QSignalBlocker quiet(midiPortCombo_);
    midiPortCombo_->clear();
    const std::vector<MidiPortList::Choice> choices =
        listMidiPorts_ ? listMidiPorts_() : std::vector<MidiPortList::Choice>{};
    for (const MidiPortList::Choice& port : choices) {
        const QString name = QFile::decodeName(port.name.c_str());
        const QString node = QFile::decodeName(port.node.c_str());
        midiPortCombo_->addItem(name);
        const int row = midiPortCombo_->count() - 1;
        midiPortCombo_->setItemData(row, node, Qt::ToolTipRole);
        midiPortCombo_->setItemData(row, name + QStringLiteral(" \u2192 ") + node, Qt::AccessibleTextRole);
    }
    const QString none = Latin1::text("MidiNoInterfaces", "No MIDI interfaces found");
    midiPortCombo_->lineEdit()->setPlaceholderText(choices.empty() ? none : QString());
    if (choices.empty()) {
        // Said in the open list too, where it cannot be chosen.
        midiPortCombo_->addItem(none);
        if (auto* model = qobject_cast<QStandardItemModel*>(midiPortCombo_->model()))
            model->item(0)->setEnabled(false);
    }
    midiPortCombo_->view()->setMinimumWidth(midiPortCombo_->view()->sizeHintForColumn(0) + 24);
    const int index = choices.empty() ? -1 : midiPortCombo_->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    midiPortCombo_->setCurrentIndex(index);
    if (index < 0)
        midiPortCombo_->setEditText(shown);
}

void PreferencesWindow::fillPortList()
{
    const QString shown = portNameCombo_->currentText();
    const QSignalBlocker quiet(portNameCombo_);
    portNameCombo_->clear();
    for (const SerialPort::PortChoice& port : listPorts_ ? listPorts_() : std::vector<SerialPort::PortChoice>{}) {
        const QString path = QFile::decodeName(port.path.c_str());
        portNameCombo_->addItem(path);
        if (!port.device.empty()) {
            const QString device = QFile::decodeName(port.device.c_str());
            const int row = portNameCombo_->count() - 1;
            portNameCombo_->setItemData(row, device, Qt::ToolTipRole);
            portNameCombo_->setItemData(row, path + QStringLiteral(" \u2192 ") + device, Qt::AccessibleTextRole);
        }
    }
    // The open list is as wide as its longest name with its device.
    portNameCombo_->view()->setMinimumWidth(portNameCombo_->view()->sizeHintForColumn(0) + 24);
    const int index = portNameCombo_->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    portNameCombo_->setCurrentIndex(index);
    if (index < 0)
        portNameCombo_->setEditText(shown);
}

void PreferencesWindow::enableConnectionObjects()
{
    // Nothing stored shows as serial.
    const bool midi = preferences().connectWithMidi();
    midiButton_->setChecked(midi);
    serialButton_->setChecked(!midi);
    midiChannelField_->setEnabled(midi);
    midiPortCombo_->setEnabled(midi);
    for (QComboBox* box :
         {portNameCombo_, baudRateCombo_, dataBitsCombo_, parityCombo_, stopBitsCombo_, flowControlCombo_})
        box->setEnabled(!midi);
}

void PreferencesWindow::onChooseLocation()
{
    const std::optional<std::string> path = askForSigDbase(preferences().store());
    if (!path || path->empty())
        return;
    preferences().setSigDbaseLocation(*path);
    locationField_->setText(QFile::decodeName(path->c_str()));
    emit sigDbaseLocationChanged();
}

void PreferencesWindow::onCreateNewDoc(bool on)
{
    preferences().setCreateNewDoc(on);
}

void PreferencesWindow::onHighSampleRate(bool on)
{
    preferences().setHighSampleRate(on);
    emit highSampleRateChanged(on);
}

void PreferencesWindow::onMidiSelect(bool on)
{
    logf("onMidiSelect: %s", on ? "on" : "off");
    preferences().setConnectionType(on ? "Midi" : "Serial");
    enableConnectionObjects();
}

void PreferencesWindow::onSerialSelect(bool on)
{
    logf("onSerialSelect: %s", on ? "on" : "off");
    preferences().setConnectionType(on ? "Serial" : "Midi");
    enableConnectionObjects();
}

void PreferencesWindow::changeChannelNumber()
{
    if (!midiChannelField_->isModified())
        return;
    midiChannelField_->setModified(false);
    const QString text = midiChannelField_->text().trimmed();
    bool number = false;
    const int channel = text.toInt(&number);
    const bool digits = text.size() <= 2 && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (!text.isEmpty() && !(digits && number && channel <= 16)) {
        midiChannelField_->setText(QString::number(preferences().midiChannel()));
        Alerts::error(fillIn(localized("PrefMidiChannelRange", "\"%s\" is not a MIDI channel: type a number from 1 "
                                                               "to 16."),
                             {text.toStdString()}));
        return;
    }
    preferences().setMidiChannel(text.isEmpty() ? std::string("0") : std::to_string(channel));
    midiChannelField_->setText(QString::number(text.isEmpty() ? 0 : channel));
}

void PreferencesWindow::changeMidiPortName()
{
    const std::string value = chosen(midiPortCombo_);
    if (value == preferences().midiPortName().value_or(std::string()))
        return;
    preferences().setMidiPortName(value);
}

void PreferencesWindow::changeDeviceId()
{
    if (!deviceIdField_->isModified())
        return;
    deviceIdField_->setModified(false);
    const QString text = deviceIdField_->text().trimmed();
    bool number = false;
    const int id = text.toInt(&number);
    const bool digits = !text.isEmpty() && text.size() <= 3 &&
                        std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (!text.isEmpty() && !(digits && number && id <= PreferenceController::kMaxDeviceId)) {
        const std::optional<int> stored = preferences().deviceId();
        deviceIdField_->setText(stored ? QString::number(*stored) : QString());
        Alerts::error(fillIn(localized("PrefDeviceIdRange", "\"%s\" is not a device id: type a number from 0 to "
                                                            "127, or leave the field empty to learn it from the unit."),
                             {text.toStdString()}));
        return;
    }
    preferences().setDeviceId(text.isEmpty() ? std::string() : std::to_string(id));
    deviceIdField_->setText(text.isEmpty() ? QString() : QString::number(id));
}

void PreferencesWindow::changePortName()
{
    // Leaving the box as it was stores nothing: an unset port stays unset.
    const std::string value = chosen(portNameCombo_);
    if (value == preferences().portNameDefault().value_or(std::string()))
        return;
    preferences().setPortName(value);
}

void PreferencesWindow::changeBaudRate()
{
    preferences().setBaudRate(chosen(baudRateCombo_));
}

void PreferencesWindow::changeDataBits()
{
    preferences().setDataBits(chosen(dataBitsCombo_));
}

void PreferencesWindow::changeParity()
{
    preferences().setParity(chosen(parityCombo_));
}

void PreferencesWindow::changeStopBits()
{
    preferences().setStopBits(chosen(stopBitsCombo_));
}

void PreferencesWindow::changeFlowControl()
{
    preferences().setFlowControl(chosen(flowControlCombo_));
}

} // namespace tosk
