#pragma once
// The catalogue files as the build found them (embedded_catalogues.cpp is written by CMakeLists.txt).
#include <string_view>
#include <vector>

namespace korva::language {

struct EmbeddedCatalogue {
    std::string_view code;  // the file's name without ".txt"
    std::string_view text;
};

const std::vector<EmbeddedCatalogue>& EmbeddedCatalogues();

}  // namespace korva::language
