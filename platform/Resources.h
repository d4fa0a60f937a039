// Named resources: byte blocks embedded at build time and looked up by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct TNamedResource {
  const char* Name;
  const std::uint8_t* Data;
  std::size_t Size;
};

// Adds a table of resources (kept by reference; it must live for the whole process).
// Registering the same table twice is harmless.  Thread-safe.
void RegisterNamedResources(std::span<const TNamedResource> table);

// The bytes of the resource with that name, or none.  Thread-safe.
std::optional<std::span<const std::uint8_t>> FindNamedResource(std::string_view name);
