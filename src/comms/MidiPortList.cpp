// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/MidiPortList.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <fcntl.h>
#include <mutex>

namespace tosk {

namespace {

std::mutex listerMutex;
MidiPortList::CardLister installedLister;

struct PortInfo {
    std::string name;
    std::string subdeviceName;
    unsigned subdevices = 0;
};

// Whether `subdevice` of `device` of the card behind `ctl` works in
// `stream`, with its names and the device's count of subdevices.
std::optional<PortInfo> rawMidiInfo(snd_ctl_t* ctl, int device, unsigned subdevice, snd_rawmidi_stream_t stream)
{
    snd_rawmidi_info_t* info = nullptr;
    if (snd_rawmidi_info_malloc(&info) < 0)
        return std::nullopt;
    snd_rawmidi_info_set_device(info, unsigned(device));
    snd_rawmidi_info_set_subdevice(info, subdevice);
    snd_rawmidi_info_set_stream(info, stream);
    std::optional<PortInfo> found;
    if (snd_ctl_rawmidi_info(ctl, info) == 0)
        found = PortInfo{snd_rawmidi_info_get_name(info), snd_rawmidi_info_get_subdevice_name(info),
                         snd_rawmidi_info_get_subdevices_count(info)};
    snd_rawmidi_info_free(info);
    return found;
}

} // namespace

std::vector<MidiPortList::Card> MidiPortList::alsaCards()
{
    std::vector<Card> cards;
    int number = -1;
    while (snd_card_next(&number) == 0 && number >= 0) {
        snd_ctl_t* ctl = nullptr;
        const std::string hw = "hw:" + std::to_string(number);
        if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0)
            continue;
        Card card;
        card.number = number;
        snd_ctl_card_info_t* info = nullptr;
        if (snd_ctl_card_info_malloc(&info) == 0) {
            if (snd_ctl_card_info(ctl, info) == 0)
                card.id = snd_ctl_card_info_get_id(info);
            snd_ctl_card_info_free(info);
        }
        int device = -1;
        while (snd_ctl_rawmidi_next_device(ctl, &device) == 0 && device >= 0) {
            // The unit answers: a device that cannot both send and receive is
            // no line to it.
            const auto first = rawMidiInfo(ctl, device, 0, SND_RAWMIDI_STREAM_OUTPUT);
            if (!first || !rawMidiInfo(ctl, device, 0, SND_RAWMIDI_STREAM_INPUT))
                continue;
            if (first->subdevices <= 1) {
                card.devices.push_back({device, first->name});
                continue;
            }
            for (unsigned sub = 0; sub < first->subdevices; ++sub) {
                const auto out = rawMidiInfo(ctl, device, sub, SND_RAWMIDI_STREAM_OUTPUT);
                if (!out || !rawMidiInfo(ctl, device, sub, SND_RAWMIDI_STREAM_INPUT))
                    continue;
                card.devices.push_back(
                    {device,
                     out->subdeviceName.empty() ? out->name + " " + std::to_string(sub + 1) : out->subdeviceName,
                     int(sub)});
            }
        }
        snd_ctl_close(ctl);
        if (!card.devices.empty())
            cards.push_back(std::move(card));
    }
    return cards;
}

std::vector<MidiPortList::Choice> MidiPortList::choices(const std::vector<Card>& cards)
{
    std::vector<Choice> out;
    for (const Card& card : cards)
        for (const Device& device : card.devices)
            out.push_back({card.id + ": " + device.name, format("/dev/snd/midiC%dD%d", card.number, device.number),
                           device.subdevice >= 0 ? card.number : -1, device.subdevice});
    return out;
}

MidiPortList::Choice MidiPortList::find(const std::string& name, const std::vector<Card>& cards)
{
    if (!name.empty() && name[0] == '/')
        return {name, name};
    const std::vector<Choice> found = choices(cards);
    if (found.empty())
        throw TkxException("MidiPort.open", localized("MidiNoInterfaces", "No MIDI interfaces found"));
    for (const Choice& choice : found)
        if (choice.name == name)
            return choice;
    if (name.empty())
        throw TkxException("MidiPort.open", localized("MidiNoPortChosen", "No MIDI interface is chosen in the "
                                                                          "preferences."));
    throw TkxException("MidiPort.open", fillIn(localized("MidiPortGone", "The MIDI interface \"%s\" is not "
                                                                         "connected."),
                                               {name}));
}

MidiPortList::Choice MidiPortList::find(const std::string& name)
{
    if (!name.empty() && name[0] == '/')
        return {name, name};
    return find(name, lister()());
}

int MidiPortList::openNode(const std::string& node, int card, int subdevice, int flags)
{
    // The card hands the subdevice asked for on its control device to the
    // thread that opens the node while that control device is open.
    snd_ctl_t* ctl = nullptr;
    if (card >= 0 && subdevice >= 0) {
        const std::string hw = "hw:" + std::to_string(card);
        if (snd_ctl_open(&ctl, hw.c_str(), 0) == 0)
            snd_ctl_rawmidi_prefer_subdevice(ctl, subdevice);
        else
            ctl = nullptr;
    }
    const int fd = ::open(node.c_str(), flags);
    const int openError = errno;
    if (ctl)
        snd_ctl_close(ctl);
    errno = openError;
    return fd;
}

void MidiPortList::setLister(CardLister lister)
{
    std::lock_guard lock(listerMutex);
    installedLister = std::move(lister);
}

MidiPortList::CardLister MidiPortList::lister()
{
    std::lock_guard lock(listerMutex);
    return installedLister ? installedLister : CardLister(&MidiPortList::alsaCards);
}

} // namespace tosk
