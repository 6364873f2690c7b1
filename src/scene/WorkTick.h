#pragma once
// Long work on the program's one thread (reading, cataloguing and writing a scene) calls
// WorkTick() between its steps. A front end hooks it to show that it is busy and to let its
// windows repaint; without a hook it does nothing.
namespace kelvane {

using TWorkTickHook = void (*)();

void WorkTick();
// Installs hook (null: none) and returns the one it replaces.
TWorkTickHook SetWorkTickHook(TWorkTickHook hook);

} // namespace kelvane
