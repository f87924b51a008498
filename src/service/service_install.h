// Registering the executable as an automatically started service.
#pragma once

// Creates the service "KoruAudioService" for this executable. Every outcome
// is traced; nothing is returned because the exit code never tells.
void InstallService();
