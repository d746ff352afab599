#pragma once
// Crafting from the player's inventory: a recipe's inputs become its result.
#include "content/recipe.hpp"

// Whether the inventory holds every input; a kind listed twice is needed
// twice over.
bool affords(Inventory const& inventory, Recipe const& recipe);

// Takes the inputs and gives the result, or, when the inventory lacks an
// input or has no room for the result once the inputs are gone, changes
// nothing and returns false.
bool craft(Inventory& inventory, Recipe const& recipe);
