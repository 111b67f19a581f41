// Filled in with the work on this area.
