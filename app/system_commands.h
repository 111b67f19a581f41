// Commands that act on the machine: shutdown, the shell's exit dialog and the like.
#pragma once

// Switches the computer off (with the shutdown privilege on the NT family).
void ShutdownSystem();
