#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

using FuzzEntry = int (*)(const std::uint8_t*, std::size_t);

// Every fuzz target by name (the file name under fuzz/targets).
const std::map<std::string, FuzzEntry>& fuzzTargets();
