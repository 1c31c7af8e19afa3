#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The system's own calls for reading one regular file, for the reading thread
// of TFileStream on Windows. Names are UTF-8, given to the system in UTF-16.

// Opens a regular file for reading, never waiting for a writer (a FIFO, a
// device or a folder is refused). False with `problem` saying why.
bool OpenRegularFile(const std::string& path, intptr_t& handle, uint64_t& size, std::string& problem);
// Up to `size` bytes; 0 at the end of the file, -1 on an error (`problem` says which).
int64_t ReadRegularFile(intptr_t handle, uint8_t* buffer, size_t size, std::string& problem);
void CloseRegularFile(intptr_t handle);
