#pragma once
#include <cstddef>
#include <cstdint>

// One image carried inside the program, generated at build time from the
// files in resources/.
struct TEmbeddedResource {
    const char* Name;
    const char* Type;
    const uint8_t* Data;
    size_t Size;
};

extern const TEmbeddedResource EmbeddedResources[];
extern const size_t EmbeddedResourceCount;
