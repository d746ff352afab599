#pragma once
// Whole-file reading.
#include <filesystem>
#include <istream>
#include <string>

std::string slurp(std::filesystem::path const& path);
std::string slurp(std::istream& in);
