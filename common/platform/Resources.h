#pragma once
// Resources compiled into the program: TABLES, LANGFILE, LOGO, the AVI clip MOVIE, pictures.
// Windows builds take them from the .rc resources of the executable; Linux builds register the same
// files as generated arrays (tk_embed_resources in cmake/Toolkit.cmake).
#include <cstddef>
#include <string_view>

namespace plat {

// The bytes of the named resource; empty when the program has none of that name.
// type is the Windows resource type ("RCDATA" for raw data, "AVI" for the clip).
std::string_view FindResourceData(const char* name, const char* type = "RCDATA");

struct ResourceRegistration {
    ResourceRegistration(const char* name, const unsigned char* data, size_t size);
};

} // namespace plat
