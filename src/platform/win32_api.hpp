#pragma once

// The Windows API for the Win32 backend's own files, included first in each
// of them and in no header: windows.h defines the attribute bits and
// CreateDirectory as macros, which the core names as constants and as a
// FileSystem call (platform/file_attributes.hpp, platform/file_system.hpp).
// The macros are taken away here; the core's constants have the same values.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
//
#include <winternl.h>

#undef CreateDirectory
#undef FILE_ATTRIBUTE_READONLY
#undef FILE_ATTRIBUTE_HIDDEN
#undef FILE_ATTRIBUTE_SYSTEM
#undef FILE_ATTRIBUTE_DIRECTORY
#undef FILE_ATTRIBUTE_ARCHIVE
#undef FILE_ATTRIBUTE_NORMAL
#undef FILE_ATTRIBUTE_TEMPORARY
#undef FILE_ATTRIBUTE_REPARSE_POINT
#undef FILE_ATTRIBUTE_COMPRESSED
#undef FILE_ATTRIBUTE_NOT_CONTENT_INDEXED
#undef FILE_ATTRIBUTE_ENCRYPTED
#undef INVALID_FILE_ATTRIBUTES
