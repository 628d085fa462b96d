"""corvane-linux: Corvane in the Wine prefix of Thief: Deadly Shadows, on Linux and the Steam Deck."""
