// Holds the place of the game's modules until they land.
