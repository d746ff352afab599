#pragma once
// Screenshot file names: the UTC time of the shot, "%F.%T.png"; a name that
// is taken gets "-1", "-2", ... before its ".png", so no shot replaces
// another.
#include <ctime>
#include <functional>
#include <string>

std::string screenshot_name(std::time_t when, std::function<bool(std::string const&)> const& taken);
