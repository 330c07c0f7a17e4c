// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Localization.h"
#include "base/TkxException.h"

#include <cerrno>
#include <cstring>

namespace tosk {

namespace {

std::string lowerFirst(std::string s)
{
    if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z' && !(s.size() > 1 && s[1] >= 'A' && s[1] <= 'Z'))
        s[0] = char(s[0] - 'A' + 'a');
    return s;
}

std::string sentence(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n'))
        s.pop_back();
    if (s.empty())
        return s;
    if (s[0] >= 'a' && s[0] <= 'z')
        s[0] = char(s[0] - 'a' + 'A');
    const char last = s.back();
    if (last != '.' && last != '!' && last != '?' && last != ')')
        s += '.';
    return s;
}

bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// The usual cure for the errors a user can mend at the desk.
std::string hint(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return " " + localized("FailureDialout", "(add yourself to the dialout group)");
    case EBUSY:
        return " " + localized("FailureBusy", "(another program is using this line)");
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return " " + localized("FailureConnected", "(is the interface connected?)");
    default:
        return {};
    }
}

// "Cannot open the serial line" for "SerialPort.open": the action a user
// asked for, on the kind of line it failed on.
std::string action(const std::string& name)
{
    const auto dot = name.find('.');
    if (dot == std::string::npos)
        return {};
    const std::string kind = name.substr(0, dot), op = name.substr(dot + 1);
    std::string line;
    if (kind == "SerialPort" || kind == "SerialConnection")
        line = localized("FailureSerialLine", "the serial line");
    else if (kind == "MidiPort")
        line = localized("FailureMidiInterface", "the MIDI interface");
    else
        return {};
    if (op == "open")
        return fillIn(localized("FailureOpen", "Cannot open %s"), {line});
    if (op == "configure")
        return fillIn(localized("FailureConfigure", "Cannot set up %s"), {line});
    if (op == "close" || op == "drain")
        return fillIn(localized("FailureFinish", "Cannot finish with %s"), {line});
    if (op == "getByte" || op == "getData")
        return fillIn(localized("FailureRead", "Cannot read from %s"), {line});
    if (op == "putByte" || op == "putData")
        return fillIn(localized("FailureWrite", "Cannot write to %s"), {line});
    return {};
}

} // namespace

std::string failureWords(const TkxException& e)
{
    const std::string& reason = e.reason();
    if (startsWith(reason, "timeout") && !startsWith(reason, "timeout error"))
        return localized("FailureNoAnswer", "The unit did not answer in time.");
    if (e.name() == "SYSEXC ERROR")
        return fillIn(localized("FailureUnitError", "The unit reported an error: %s"), {sentence(reason)});
    if (reason == "no portPath")
        return startsWith(e.name(), "MidiPort.")
                   ? localized("FailureNoMidi", "No MIDI interface is chosen in the preferences.")
                   : localized("FailureNoLine", "No serial line is chosen in the preferences.");
    const std::string what = action(e.name());
    if (what.empty())
        return sentence(reason);
    std::string on = e.subject().empty() ? what : what + " " + e.subject();
    if (e.error() != 0)
        return on + ": " + lowerFirst(std::strerror(e.error())) + hint(e.error()) + ".";
    // The reason names the line first ("/dev/ttyUSB0 - ..."); it is said already.
    std::string detail = reason;
    if (!e.subject().empty() && startsWith(detail, e.subject() + " - "))
        detail = detail.substr(e.subject().size() + 3);
    if (e.subject().empty() && (startsWith(detail, "No ") || startsWith(detail, "The ")))
        return sentence(detail);
    return sentence(on + ": " + detail);
}

} // namespace tosk
