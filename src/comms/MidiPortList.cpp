#include "comms/MidiPortList.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace tosk {

namespace {

std::mutex listerMutex;
MidiPortList::CardLister installedLister;

// Whether `device` of the card behind `ctl` has a subdevice in `stream`,
// and its name.
std::optional<std::string> rawMidiName(snd_ctl_t* ctl, int device, snd_rawmidi_stream_t stream)
{
    snd_rawmidi_info_t* info = nullptr;
    if (snd_rawmidi_info_malloc(&info) < 0)
        return std::nullopt;
    snd_rawmidi_info_set_device(info, unsigned(device));
    snd_rawmidi_info_set_subdevice(info, 0);
    snd_rawmidi_info_set_stream(info, stream);
    std::optional<std::string> name;
    if (snd_ctl_rawmidi_info(ctl, info) == 0)
        name = snd_rawmidi_info_get_name(info);
    snd_rawmidi_info_free(info);
    return name;
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
            auto out = rawMidiName(ctl, device, SND_RAWMIDI_STREAM_OUTPUT);
            auto in = rawMidiName(ctl, device, SND_RAWMIDI_STREAM_INPUT);
            if (out && in)
                card.devices.push_back({device, *out});
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
            out.push_back({card.id + ": " + device.name, format("/dev/snd/midiC%dD%d", card.number, device.number)});
    return out;
}

std::string MidiPortList::nodeFor(const std::string& name, const std::vector<Card>& cards)
{
    if (!name.empty() && name[0] == '/')
        return name;
    const std::vector<Choice> found = choices(cards);
    if (found.empty())
        throw TkxException("MidiPort.open", localized("MidiNoInterfaces", "No MIDI interfaces found"));
    for (const Choice& choice : found)
        if (choice.name == name)
            return choice.node;
    if (name.empty())
        throw TkxException("MidiPort.open", localized("MidiNoPortChosen", "No MIDI interface is chosen in the "
                                                                          "preferences."));
    throw TkxException("MidiPort.open", fillIn(localized("MidiPortGone", "The MIDI interface \"%s\" is not "
                                                                         "connected."),
                                               {name}));
}

std::string MidiPortList::nodeFor(const std::string& name)
{
    if (!name.empty() && name[0] == '/')
        return name;
    return nodeFor(name, lister()());
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
