// Placeholder translation unit until the display core has sources of its own.
