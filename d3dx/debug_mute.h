// The library's switch for the runtime's debug output, thrown around calls that probe and may
// fail on purpose (format checks, declaration creation).
#pragma once

namespace d3dx {

void DebugMute(bool mute);
// Forgets the registry answer and the looked-up entries (tests only).
void ResetDebugMute();

}  // namespace d3dx
