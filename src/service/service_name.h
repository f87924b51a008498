// The name the service is registered under, which is also the tag of every
// trace line and the source of its event-log records.
#pragma once

inline constexpr wchar_t SERVICE_NAME[] = L"KoruAudioService";
