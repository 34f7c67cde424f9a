// The headless platform's registry behind the Win32 registry calls of the platform stand-in: in
// memory, the active session's.
#pragma once

// The registry calls the plug-in makes, by name.
extern const char* const registryCallNames[5];
