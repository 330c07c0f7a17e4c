// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as the info file beside an autosave (written by
// Tosk, but a start reads whatever a crash, a full disk or a person left in
// the folder): the entry is still listed, with a path and a time or none.
#include "base/AutosaveStore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace tosk;
namespace fs = std::filesystem;

const AutosaveStore& store()
{
    static const AutosaveStore folder = [] {
        // One folder, used again by every run (libFuzzer may end without
        // running exit handlers).
        const fs::path dir = fs::temp_directory_path() / "tosk-autosaveinfo-fuzz";
        fs::remove_all(dir);
        fs::create_directories(dir);
        AutosaveStore s(dir.string());
        AutosaveStore::Entry entry;
        entry.id = "F-1";
        s.write(entry, "HEADM adc\n");
        return s;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const AutosaveStore& s = store();
    if (std::FILE* f = std::fopen(s.infoPath("F-1").c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const auto entries = s.entries();
    if (entries.size() != 1 || entries[0].id != "F-1" || entries[0].session() != "F")
        std::abort();
    return 0;
}
