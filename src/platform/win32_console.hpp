#pragma once

namespace torvane {

// Sets the console's output and input code pages to UTF-8, so the UTF-8
// bytes the console program writes show as the characters they encode and
// typed answers arrive as UTF-8. Does nothing when there is no console (the
// output redirected to a file or a pipe is UTF-8 bytes either way).
void UseUtf8Console();

}  // namespace torvane
