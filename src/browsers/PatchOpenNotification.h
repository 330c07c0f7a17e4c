// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk {

// Posted by the unit and program-list browsers when a patch fetched from a
// unit should open in a window; the application observes it. User info:
// "PatchData" (the patch text, std::string) and either "NodeData" (the unit's
// std::shared_ptr<Patch>, or a std::filesystem::path) or "R9100ProgramItem"
// (a std::shared_ptr<R9100ProgramItem>). The name lives here, with its
// posters, so that the browsers need nothing of the application.
inline constexpr const char* PatchOpenNotification = "TKXPatchOpenNotification";

} // namespace tosk
