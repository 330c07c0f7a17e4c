// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace tosk {

// Lets the main heap grow into room the kernel backs with large pages where
// it can. A patch of thousands of modules is millions of small blocks; first
// touched 4 KB at a time, the kernel's page-fault handler costs as much as
// reading the patch. Room not touched costs no memory. Call it first thing
// in main(), before any thread starts; it does nothing where the C library
// or the kernel offers no such thing. The room holds a 100,000-module patch.
void useLargeHeapPages(size_t room = size_t{160} << 20);

} // namespace tosk
