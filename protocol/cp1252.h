#pragma once
// Device text is Windows-1252; the window and JSON speak UTF-8. These two convert at that edge.
#include <string>
#include <string_view>

namespace korva {

std::string Cp1252ToUtf8(std::string_view cp1252);
// Characters that Windows-1252 cannot hold, and malformed UTF-8, become "?".
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace korva
