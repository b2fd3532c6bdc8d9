// Output files mapped into memory whose pages may fail while they are filled: the file is shrunk
// from outside (through /proc/<pid>/fd), or its file system cannot supply a page after all. The
// system then raises SIGBUS at the store, which would end the program. A guarded mapping instead
// becomes zeroed memory at the same address, the store goes on there, and the mapping is marked
// failed: its bytes are lost and must not reach any file. POSIX only.
#pragma once

#include <cstddef>

namespace auralith {

// Guards the mapping at [start, start + length). -1 when it cannot be guarded (every place in
// the table is taken, or the handler cannot be installed): the caller then gives up the mapping.
int guardMapping(void* start, std::size_t length);

// Stops guarding; called before the range is unmapped.
void unguardMapping(int guard);

// Whether a page of the guarded mapping failed, which lost the mapping's bytes.
bool guardedMappingFailed(int guard);

// Whether `at` lies in a guarded mapping that failed: bytes taken from there are not the ones
// that were put there.
bool liesInFailedMapping(const void* at);

}  // namespace auralith
