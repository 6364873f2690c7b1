// Keeps a library target valid before its folder has sources.
