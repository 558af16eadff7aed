// Text conversions the platform needs inside itself; the system sees only the Win32 calls.
#pragma once

#include <string>
#include <string_view>

// Bytes of the ANSI code page (949) as UTF-8, for a host that shows UTF-8. Bytes that are not
// valid code page 949 become U+FFFD; the text is never cut short.
std::string PlatformAnsiToUtf8(std::string_view ansi);
