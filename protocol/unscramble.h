#pragma once
// The three forms in which devices send their reply lines, and the way back to plain text.
//
//   plain          "0100,KEYWORD,data..."             sent as is
//   old scrambled  "VERSION,KEYWORD,data..."          byte at position p sent as plain + p + 35
//   new scrambled  "VERSION,KEY,N,KEYWORD,data..."    byte at p sent as plain + (p mod 20) + 35 for p < N,
//                                                     plain + (p mod 20) + (KEY mod 60) from N on
//
// Versions 101-129 are the old form, 130 and above the new one; KEY and N are written in hexadecimal.
// Positions here are 0-based byte offsets in the whole line and every sum wraps modulo 256.
#include <cstdint>
#include <string>
#include <string_view>

namespace korva {

// Turns a received reply line into its plain, trimmed, upper-cased text. headerOffset becomes the
// number of header fields beyond the first (0 or 2) and formatVersion the version the device put in its
// header (0 for plain replies). Never fails.
void UnscrambleReply(std::string& text, int& headerOffset, int& formatVersion);

struct PlainReply {
    std::string text;
    int headerOffset = 0;
    int formatVersion = 0;
};
PlainReply UnscrambleReply(std::string_view received);

// The device's side: how a device of the given form sends a plain line. key and n only matter for the
// new form (version 130 and above); for it the plain line must already begin "VERSION,KEY,N,".
struct ScrambleForm {
    int version = 0;  // 0: plain; 101-129: old form; 130 and above: new form
    int key = 0;
    int n = 0;
};
std::string ScrambleReply(std::string_view plain, const ScrambleForm& form);

}  // namespace korva
