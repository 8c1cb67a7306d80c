#pragma once
// IPv4 addresses as dotted text, and the text/value pair behind an address entry control.
#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

inline constexpr uint32_t kNoIpv4Address = 0xFFFFFFFF;

// Reads up to iMaxParts decimal byte values separated by chSeparator. A part reaching 256,
// a separator after an empty part, or any other character ends the parse.
// Returns the number of parts read.
int ParseDottedParts(std::u16string_view wszText, char16_t chSeparator, uint8_t* pParts, int iMaxParts);
int ParseDottedParts(std::string_view szText, char chSeparator, uint8_t* pParts, int iMaxParts);

// Exactly four parts, first part most significant; kNoIpv4Address otherwise.
uint32_t Ipv4FromText(std::u16string_view wszText);
uint32_t Ipv4FromText(std::string_view szText);
// "%d.%d.%d.%d", first part from the most significant byte.
std::u16string Ipv4ToText(uint32_t dwAddress);

// Control text to value, read the way the sockets library's inet_addr reads it: one to four
// parts, each decimal, octal (leading 0) or hexadecimal (leading 0x). Text that does not
// parse, and "255.255.255.255" (which inet_addr cannot tell from a failure), leave the
// control blank: bBlank true and dwAddress 0. True when an address was put.
bool Ipv4FromControlText(std::u16string_view wszText, uint32_t& dwAddress, bool& bBlank);
// Empty for a blank control or 0.0.0.0, else "%d.%d.%d.%d".
std::u16string Ipv4ToControlText(uint32_t dwAddress, bool bBlank);

} // namespace kov
