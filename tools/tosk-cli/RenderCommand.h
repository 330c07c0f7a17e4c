// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk::cli {

// tosk-cli lists the command; the drawing helper runs it.
inline constexpr const char* kRenderUsage = "render [--db PATH] FILE -o OUT.png|OUT.svg [--show-mode N] [--scale S] "
                                            "[--select INSTANCE]";
inline constexpr const char* kRenderSummary = "draws the patch into a PNG or SVG picture, as the editor draws it";

} // namespace tosk::cli
