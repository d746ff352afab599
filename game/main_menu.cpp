#include "game/main_menu.hpp"

void Main_menu::update() {}
