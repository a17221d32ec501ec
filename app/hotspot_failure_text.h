// What the user is told about a hotspot that did not start: one line with the reason, in the
// program's language, to follow the failure balloon's own text. Plain functions; thread-safe.
#pragma once

#include <cstddef>
#include <string>

#include "platform/hotspot_diagnosis.h"

namespace app {

// No line is longer, so the balloon (127 characters) keeps its headline and the whole reason.
inline constexpr size_t kHotspotFailureTextMaxChars = 90;

// Empty for kNone. NetworkManager's reasons are named where common and given by number
// otherwise.
std::u16string HotspotFailureText(const platform::StartDiagnosis& diagnosis);

}  // namespace app
