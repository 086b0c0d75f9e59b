#pragma once

#include <cstddef>
#include <cstdio>

// Positions the shared output file at offset, flushes, writes the block and flushes again, so
// that what one range wrote is on its way to disk before another range moves the position.
// False when a step fails. The caller holds the download's lock.
bool WriteDownloadBlock(std::FILE* file, long offset, const char* data, size_t size);
