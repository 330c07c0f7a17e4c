#include "comms/SerialConnection.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/SerialTerminal.h"

namespace tosk {

SerialConnection::SerialConnection(LineSettingsSource settings, std::chrono::milliseconds timeout)
    : serialPort_(std::make_unique<SerialPort>()), settings_(std::move(settings)), timeout_(timeout)
{
}

SerialConnection::~SerialConnection()
{
    try {
        close();
    } catch (const TkxException&) {
    }
}

SerialConnection& SerialConnection::sharedSerialConnection()
{
    static SerialConnection shared;
    return shared;
}

bool SerialConnection::open()
{
    return open(lineSettings());
}

bool SerialConnection::open(const LineSettings& s)
{
    if (!serialPort_)
        return false;
    if (serialPort_->isOpen())
        throw TkxException("SerialConnection.open", getErrorMessage());
    serialPort_->setPortPath(s.portName.value_or(""));
    serialPort_->open();
    serialPort_->setTimeoutTx(timeout_);
    serialPort_->setTimeoutRx(timeout_);
    serialPort_->setBitRate(s.baudRate.value_or(""));
    serialPort_->setDataBits(s.dataBits.value_or(""));
    serialPort_->setParity(s.parity.value_or(""));
    serialPort_->setStopBits(s.stopBits.value_or(""));
    serialPort_->setFlowControl(s.flowControl.value_or(""));
    serialPort_->configure();
    return true;
}

bool SerialConnection::close()
{
    if (!serialPort_ || !serialPort_->isOpen())
        return true;
    // Unread input goes; written output must still reach the unit (a program
    // change is often the last thing said), so closing drains it instead.
    flushInput();
    if (!serialPort_->close())
        throw TkxException("SerialConnection.close", getErrorMessage());
    return true;
}

long SerialConnection::getByte(uint8_t* buffer)
{
    if (!isOpen())
        return 0;
    try {
        return serialPort_->getByte(buffer);
    } catch (const TkxException& e) {
        logf("SerialConnection.getByte exception: %s - %s", e.name().c_str(), e.reason().c_str());
        throw TkxException("SerialConnection.getByte", e.reason());
    }
}

long SerialConnection::getData(uint8_t* buffer, size_t length)
{
    if (!isOpen())
        return 0;
    try {
        return serialPort_->getData(buffer, length);
    } catch (const TkxException& e) {
        throw TkxException("SerialConnection.getData", e.reason());
    }
}

void SerialConnection::putByte(const uint8_t* buffer)
{
    if (!isOpen())
        return;
    try {
        serialPort_->putByte(buffer);
    } catch (const TkxException& e) {
        throw TkxException("SerialConnection.putByte", e.reason());
    }
}

void SerialConnection::putData(const uint8_t* buffer, size_t length)
{
    if (!isOpen())
        return;
    try {
        for (size_t i = 0; i < length; ++i)
            serialPort_->putByte(buffer + i);
    } catch (const TkxException& e) {
        throw TkxException("SerialConnection.putData", e.reason());
    }
}

int SerialConnection::drain()
{
    return isOpen() ? serialPort_->txDrain() : 0;
}

int SerialConnection::flush()
{
    return isOpen() ? serialPort_->flush() : 0;
}

int SerialConnection::flushInput()
{
    return isOpen() ? serialPort_->rxFlush() : 0;
}

} // namespace tosk
