#pragma once
// The programs keep text and paths as UTF-8; Windows' wide calls take and give them as UTF-16. Every
// program turns them here, at the system's edge, so that a folder named "C:\Técnico\Korva" and a caption
// in Portuguese both work.
#include <string>

namespace korva::language {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace korva::language
