// Holds the place of the toolkit's widget modules until they land.
