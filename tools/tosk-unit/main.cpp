// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-unit: a stand-in for an effects unit at the far end of a serial line.
// It opens a pseudo-terminal, links its device to the path given, and answers
// the unit protocol from a folder of patches until it is stopped.
#include "PatchBanks.h"
#include "PtyLink.h"
#include "UnitSimulator.h"

#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "base/Version.h"
#include "comms/Sysex.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void requestStop(int)
{
    stopRequested = 1;
}

// The manual page is made from this text (help2man): options from column 2,
// their descriptions from column 23.
const char* const usageText =
    "Usage: tosk-unit --link PATH [OPTION]...\n"
    "Stand in for a programmable DSP effects unit at the far end of a serial line.\n"
    "\n"
    "Opens a pseudo-terminal, links its device to PATH and answers as an effects\n"
    "unit until stopped (Ctrl-C). Point tosk or tosk-cli at PATH as the serial port.\n"
    "\n"
    "Options:\n"
    "  --link PATH          where the unit's serial device appears (required)\n"
    "  --banks DIR          one sub-folder per bank (\"1 Reverbs\") of .sig files\n"
    "                       (default: the bundled data/unit/banks)\n"
    "  --db FILE            operator database the unit hands out (default: data/sigdbase.sbf)\n"
    "  --model NAME         model name (default SX-8; R9100... or R6400... keep a program list)\n"
    "  --rom-revision REV   ROM revision (default 3.20, or 5.10 for program-list models)\n"
    "  --rom-date TEXT      ROM date and time\n"
    "  --device-id N        the unit's device id (default 0)\n"
    "  --midi-map N         program-list models: MIDI map chosen at start (default 1)\n"
    "  --trace FILE         append every message received, in hexadecimal, one a line\n"
    "  --delay-ms N         wait N ms before each reply\n"
    "  --rate N             send replies at N bytes a second, as a slow line would\n"
    "  --drop-after N       answer N messages, then go silent\n"
    "  --endless-after N    answer N messages, then send the next reply without its\n"
    "                       end (F7), on and on until another message comes in\n"
    "  --garble             corrupt the header of every reply\n"
    "  --narrow NAME=MIN:MAX  once the running patch's knob or slider NAME has\n"
    "                       reported its limits, it takes only MIN to MAX\n"
    "  --verbose            show diagnostic lines on stderr\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n";

bool readFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

bool parseNumber(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tosk;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string link, banksDir, dbFile, tracePath;
    unit::UnitOptions options;
    long delayMs = 0, rate = 0;
    bool garble = false, verbose = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "tosk-unit: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            out = args[++i];
        };
        auto number = [&](long& out) {
            std::string text;
            value(text);
            if (!parseNumber(text, out) || out < 0) {
                std::fprintf(stderr, "tosk-unit: %s needs a number, not '%s'\n", a.c_str(), text.c_str());
                std::exit(2);
            }
        };
        long n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(usageText, stdout);
            return 0;
        } else if (a == "--version") {
            std::fputs(Version::text("tosk-unit").c_str(), stdout);
            return 0;
        } else if (a == "--link") {
            value(link);
        } else if (a == "--banks") {
            value(banksDir);
        } else if (a == "--db") {
            value(dbFile);
        } else if (a == "--model") {
            value(options.model);
        } else if (a == "--rom-revision") {
            value(options.romRevision);
        } else if (a == "--rom-date") {
            value(options.romDate);
        } else if (a == "--trace") {
            value(tracePath);
        } else if (a == "--device-id") {
            number(n);
            options.deviceId = uint8_t(n & 0x7F);
        } else if (a == "--midi-map") {
            number(n);
            options.midiMap = uint32_t(n);
        } else if (a == "--delay-ms") {
            number(delayMs);
        } else if (a == "--rate") {
            number(rate);
        } else if (a == "--drop-after") {
            number(options.dropAfter);
        } else if (a == "--endless-after") {
            number(options.endlessAfter);
        } else if (a == "--narrow") {
            std::string text;
            value(text);
            size_t equals = text.find('='), colon = text.find(':', equals == std::string::npos ? 0 : equals);
            char* end1 = nullptr;
            char* end2 = nullptr;
            double lo = 0, hi = 0;
            if (equals != std::string::npos && equals > 0 && colon != std::string::npos) {
                std::string a1 = text.substr(equals + 1, colon - equals - 1), a2 = text.substr(colon + 1);
                lo = std::strtod(a1.c_str(), &end1);
                hi = std::strtod(a2.c_str(), &end2);
                if (a1.empty() || a2.empty() || *end1 || *end2 || lo > hi)
                    end1 = nullptr;
            }
            if (!end1) {
                std::fprintf(stderr, "tosk-unit: --narrow needs NAME=MIN:MAX, not '%s'\n", text.c_str());
                return 2;
            }
            options.narrowed[text.substr(0, equals)] = {lo, hi};
        } else if (a == "--garble") {
            garble = true;
        } else if (a == "--verbose") {
            verbose = true;
        } else {
            std::fprintf(stderr, "tosk-unit: unknown option '%s'\n\n%s", a.c_str(), usageText);
            return 2;
        }
    }
    if (link.empty()) {
        std::fprintf(stderr, "tosk-unit: --link PATH is required\n\n%s", usageText);
        return 2;
    }
    if (!verbose)
        setLogSink([](const std::string&) {});
    if (banksDir.empty())
        banksDir = DataFiles::path("unit/banks");
    if (dbFile.empty())
        dbFile = DataFiles::path("sigdbase.sbf");
    if (!dbFile.empty())
        options.haveDatabase = readFile(dbFile, options.database);
    if (options.haveDatabase) {
        auto operators = std::make_shared<SigDbase>();
        const bool created = operators->createSigDbaseFromData(options.database);
        Alerts::show(operators->takeProblems());
        if (created)
            options.operators = operators;
        else
            std::fprintf(stderr, "tosk-unit: %s is not an operator database; patches are not checked against it\n",
                         dbFile.c_str());
    }

    try {
        unit::PatchBanks banks = banksDir.empty() ? unit::PatchBanks() : unit::PatchBanks::load(banksDir);
        unit::UnitSimulator simulator(options, std::move(banks));
        std::ofstream trace;
        if (!tracePath.empty()) {
            trace.open(tracePath, std::ios::app);
            simulator.onMessage = [&trace](const Bytes& m) {
                trace << hexString(m.data(), m.size()) << '\n';
                trace.flush();
            };
        }
        std::signal(SIGINT, requestStop);
        std::signal(SIGTERM, requestStop);
        std::signal(SIGHUP, requestStop);
        std::signal(SIGPIPE, SIG_IGN);
        unit::PtyLink line(link);
        std::printf("tosk-unit: %s (ROM %s) on %s -> %s, banks from %s\n", options.model.c_str(),
                    simulator.romRevision().c_str(), link.c_str(), line.slavePath().c_str(),
                    banksDir.empty() ? "(none)" : banksDir.c_str());
        std::fflush(stdout);
        unsigned char buffer[4096];
        size_t streamed = 0;
        while (!stopRequested) {
            long n = line.read(buffer, sizeof buffer, simulator.isStreaming() ? 0 : 100);
            if (n <= 0) {
                if (!simulator.isStreaming())
                    continue;
                // An endless reply: at the pace of the line, or as fast as
                // the line takes it, while nothing comes in.
                const Bytes& chunk = unit::UnitSimulator::endlessChunk();
                const size_t offset = streamed % chunk.size();
                size_t size = chunk.size() - offset;
                if (rate > 0)
                    size = std::min(size, size_t(std::max(1L, rate / 50)));
                streamed += line.writeSome(chunk.data() + offset, size, 20);
                if (rate > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            for (Bytes& reply : simulator.receive(buffer, size_t(n))) {
                if (delayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                if (garble && reply.size() > 1)
                    reply[1] ^= 0x40;
                if (rate <= 0) {
                    line.write(reply.data(), reply.size());
                    continue;
                }
                // A reply at the pace of a real line, in slices of 20 ms.
                size_t slice = size_t(std::max(1L, rate / 50));
                for (size_t done = 0; done < reply.size() && !stopRequested; done += slice) {
                    line.write(reply.data() + done, std::min(slice, reply.size() - done));
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tosk-unit: %s\n", e.what());
        return 1;
    }
    return 0;
}
