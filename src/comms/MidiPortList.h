// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tosk {

// The MIDI interfaces ALSA knows, as a person chooses among them and as the
// line opens them. A port is named by its card's id and its own name
// ("UM1: USB MIDI Interface MIDI 1"): the id stays with the interface when
// it is plugged into another socket, where the card number does not.
class MidiPortList {
public:
    // A raw MIDI port. An interface with several ports has one device
    // with a subdevice per port ("MIDI 1", "MIDI 2"); -1 when the device
    // has only one.
    struct Device {
        int number = 0;
        std::string name;
        int subdevice = -1;
        bool operator==(const Device&) const = default;
    };
    // A sound card with raw MIDI devices that can both send and receive.
    struct Card {
        int number = 0;
        std::string id;
        std::vector<Device> devices;
        bool operator==(const Card&) const = default;
    };
    struct Choice {
        std::string name;
        // Its device node, /dev/snd/midiC<card>D<device>.
        std::string node;
        // The port of the node, when it has several: asked of the card
        // when the node is opened.
        int card = -1;
        int subdevice = -1;
        bool operator==(const Choice&) const = default;
    };
    using CardLister = std::function<std::vector<Card>()>;

    // Every card ALSA lists now, in card order; empty without ALSA devices.
    static std::vector<Card> alsaCards();

    // The choices of `cards`, in card and device order.
    static std::vector<Choice> choices(const std::vector<Card>& cards);
    // Read afresh on every call: interfaces come and go.
    static std::vector<Choice> choices() { return choices(lister()()); }

    // The node the stored name leads to now. A name that is a path (it
    // begins with "/") is the node itself. Throws "MidiPort.open" with a
    // text for the user when no interface is there, or not this one.
    static Choice find(const std::string& name, const std::vector<Card>& cards);
    static Choice find(const std::string& name);
    static std::string nodeFor(const std::string& name, const std::vector<Card>& cards)
    {
        return find(name, cards).node;
    }

    // open(2) of a raw MIDI node with `flags`; with a card and subdevice,
    // that port of the node. Answers the descriptor or -1 with errno set.
    static int openNode(const std::string& node, int card, int subdevice, int flags);

    // Where the cards come from (alsaCards unless replaced): a test puts
    // a made-up list here. Null restores ALSA.
    static void setLister(CardLister lister);
    static CardLister lister();
};

} // namespace tosk
