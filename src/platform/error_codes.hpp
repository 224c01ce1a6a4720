#pragma once

// The error numbers the FileSystem interface reports. They are errno values
// of the C library; the few that the Windows C runtime does not define get
// values here, above the ones it uses (its POSIX additions end at 140), so
// that every backend and every message speaks of them by the same names.

#include <cerrno>

#ifndef ESTALE
#define ESTALE 180  // the folder or entry is no longer the one that was found
#endif
#ifndef EDQUOT
#define EDQUOT 181  // the user's disk quota is used up
#endif
