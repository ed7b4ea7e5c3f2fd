#pragma once
// The program keeps paths as UTF-8; Windows takes and gives them as UTF-16. They are turned at the
// system's edge, so that a folder named "C:\Técnico\Korva" works.
#include <string>

namespace korva::app {

std::wstring WidePath(const std::string& utf8);
std::string Utf8Path(const std::wstring& wide);

}  // namespace korva::app
