// Whether the program of an engine profile is there and runs: what the
// Configuration dialog checks before a profile other than the preview
// game's is used.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "settings/engineprofile.h"

namespace clipvex {

// Looks for the profile's program and, when the profile has check
// arguments, runs it with them (its output discarded) until it ends,
// calling `idle` between looks (false gives up the wait). Returns what is
// wrong, as a sentence for the user, or an empty text when the program was
// found and the check ended with exit code 0 within `limit`.
std::string CheckEngine(const EngineProfile& profile, const std::string& gameFolder, const std::string& gameDirectory,
                        const std::string& addparams, const std::function<bool()>& idle,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace clipvex
