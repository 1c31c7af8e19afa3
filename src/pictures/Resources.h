#pragma once
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

class EResNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of an image carried in the program, by name and type ("PNG",
// "JPG"), both compared without regard to case. Throws EResNotFound with
// "Resource %s not found".
std::span<const uint8_t> FindResourceData(std::string_view name, std::string_view type);
