#include "pictures/Resources.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "pictures/EmbeddedResources.h"

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}

std::span<const uint8_t> FindResourceData(std::string_view name, std::string_view type)
{
    for (size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const TEmbeddedResource& resource = EmbeddedResources[i];
        if (SameText(resource.Name, name) && SameText(resource.Type, type)) {
            return {resource.Data, resource.Size};
        }
    }
    throw EResNotFound("Resource " + std::string(name) + " not found");
}
