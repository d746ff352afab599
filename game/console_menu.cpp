#include "game/console_menu.hpp"

void Console_menu::update() {}
